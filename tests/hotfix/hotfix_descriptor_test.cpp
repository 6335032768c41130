#include "hotfix/hotfix_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "hotfix/hotfix_parameters.h"
#include "hotfix/text_mode_reads.h"

namespace {

// The descriptor as the service reads a file holding `bytes`.
HotfixDescriptor descriptorOf(const std::string& bytes)
{
    HotfixDescriptor descriptor;
    for (const std::string& read : textModeReads(bytes)) {
        readDescriptorLine(descriptor, read.c_str());
    }
    return descriptor;
}

const char* verbOf(const std::string& bytes)
{
    return hotfixVerb(descriptorOf(bytes).optType);
}

}  // namespace

TEST(HotfixDescriptor, LineFeedsAndCrLfReadAlike)
{
    for (const char* bytes : {"2.0\n1\n", "2.0\r\n1\r\n", "2.0\r\n1\n"}) {
        const HotfixDescriptor descriptor = descriptorOf(bytes);
        EXPECT_EQ(descriptor.version, "2.0") << bytes;
        EXPECT_EQ(descriptor.optType, 1) << bytes;
        EXPECT_STREQ(hotfixVerb(descriptor.optType), "douninstall") << bytes;
    }
    EXPECT_STREQ(verbOf("2.0\n0\n"), "doinstall");
    EXPECT_STREQ(verbOf("2.0\r\n0\r\n"), "doinstall");
}

TEST(HotfixDescriptor, LastLineWithoutLineEndLosesItsLastCharacter)
{
    EXPECT_EQ(descriptorOf("2.0\n1").optType, 0);
    EXPECT_STREQ(verbOf("2.0\n1"), "doinstall");
    EXPECT_EQ(descriptorOf("2.0\n10").optType, 1);
    EXPECT_STREQ(verbOf("2.0\n10"), "douninstall");

    const HotfixDescriptor onlyLine = descriptorOf("2.0");
    EXPECT_EQ(onlyLine.version, "2.");
    EXPECT_EQ(onlyLine.optType, -1);
}

TEST(HotfixDescriptor, SecondLineReadsLikeStrtol)
{
    EXPECT_EQ(descriptorOf("v\n   1\n").optType, 1);
    EXPECT_EQ(descriptorOf("v\n\t 1\r\n").optType, 1);
    EXPECT_EQ(descriptorOf("v\n1abc\n").optType, 1);
    EXPECT_EQ(descriptorOf("v\n+1\n").optType, 1);
    EXPECT_EQ(descriptorOf("v\n01\n").optType, 1);
    EXPECT_EQ(descriptorOf("v\n0x1\n").optType, 0);
    EXPECT_EQ(descriptorOf("v\nabc\n").optType, 0);
    EXPECT_EQ(descriptorOf("v\n\n").optType, 0);
    EXPECT_EQ(descriptorOf("v\n- 1\n").optType, 0);
    EXPECT_STREQ(verbOf("v\nabc\n"), "doinstall");
    EXPECT_STREQ(verbOf("v\n\n"), "doinstall");
}

TEST(HotfixDescriptor, OtherValuesAreRefused)
{
    EXPECT_EQ(descriptorOf("v\n-1\n").optType, -1);
    EXPECT_EQ(descriptorOf("v\n5\n").optType, 5);
    EXPECT_EQ(descriptorOf("v\n2\n").optType, 2);
    EXPECT_EQ(hotfixVerb(-1), nullptr);
    EXPECT_EQ(hotfixVerb(2), nullptr);
    EXPECT_EQ(hotfixVerb(5), nullptr);
}

TEST(HotfixDescriptor, ValuesBeyond32BitsAreClampedAndRefused)
{
    EXPECT_EQ(descriptorOf("v\n2147483647\n").optType, INT32_MAX);
    EXPECT_EQ(descriptorOf("v\n2147483648\n").optType, INT32_MAX);
    EXPECT_EQ(descriptorOf("v\n4294967297\n").optType, INT32_MAX);
    EXPECT_EQ(descriptorOf("v\n99999999999999999999999\n").optType, INT32_MAX);
    EXPECT_EQ(descriptorOf("v\n-2147483648\n").optType, INT32_MIN);
    EXPECT_EQ(descriptorOf("v\n-2147483649\n").optType, INT32_MIN);
    EXPECT_EQ(descriptorOf("v\n-99999999999999999999999\n").optType, INT32_MIN);
    // A wrap instead of a clamp would turn 2^32 + 1 into an install.
    EXPECT_EQ(hotfixVerb(descriptorOf("v\n4294967297\n").optType), nullptr);
}

TEST(HotfixDescriptor, MissingSecondLineLeavesMinusOne)
{
    const HotfixDescriptor empty = descriptorOf("");
    EXPECT_EQ(empty.version, "");
    EXPECT_EQ(empty.optType, -1);

    const HotfixDescriptor oneLine = descriptorOf("2.0\r\n");
    EXPECT_EQ(oneLine.version, "2.0");
    EXPECT_EQ(oneLine.optType, -1);
    EXPECT_EQ(verbOf("2.0\r\n"), nullptr);
}

TEST(HotfixDescriptor, LinesAfterTheSecondChangeNothing)
{
    const HotfixDescriptor descriptor = descriptorOf("2.0\n1\n0\n5\nversion 9\n");
    EXPECT_EQ(descriptor.version, "2.0");
    EXPECT_EQ(descriptor.optType, 1);
}

TEST(HotfixDescriptor, NulEndsTheLineAndTheCharacterBeforeItIsDropped)
{
    EXPECT_EQ(descriptorOf(std::string("2.0\0tail\n1\n", 11)).version, "2.");
    EXPECT_EQ(descriptorOf(std::string("\0abc\n1\n", 7)).version, "");
    // The NUL does not end the read: the line after it is still the second line.
    EXPECT_EQ(descriptorOf(std::string("2.0\0\n1\n", 7)).optType, 1);
    EXPECT_EQ(descriptorOf(std::string("v\n10\0 9\n", 8)).optType, 1);
    EXPECT_EQ(descriptorOf(std::string("v\n1\0\n", 5)).optType, 0);
}

TEST(HotfixDescriptor, SecondLineLongerThanOneReadIsCutAtItsFirstPiece)
{
    // The first 1023 characters, less the last, are 1021 blanks and "1"; the rest is a later line.
    const std::string longLine = std::string(1021, ' ') + "15" + std::string(600, '0') + "\n";
    EXPECT_EQ(descriptorOf("v\n" + longLine).optType, 1);

    // The only digit is the 1023rd character, the one dropped.
    const std::string digitDropped = std::string(1022, ' ') + "1\n";
    EXPECT_EQ(descriptorOf("v\n" + digitDropped).optType, 0);
}

TEST(HotfixDescriptor, FirstLineLongerThanOneReadPushesTheRestToTheSecondLine)
{
    const HotfixDescriptor descriptor = descriptorOf(std::string(1023, 'x') + "1\n0\n");
    EXPECT_EQ(descriptor.version, std::string(1022, 'x'));
    EXPECT_EQ(descriptor.optType, 1);
}

TEST(HotfixDescriptor, EmptyFirstLineGivesAnEmptyVersion)
{
    const HotfixDescriptor descriptor = descriptorOf("\n1\n");
    EXPECT_EQ(descriptor.version, "");
    EXPECT_FALSE(descriptor.versionTooLong);
    EXPECT_STREQ(hotfixVerb(descriptor.optType), "douninstall");
}

TEST(HotfixDescriptor, VersionIsKeptWholeAndFlaggedPast259Characters)
{
    const HotfixDescriptor fits = descriptorOf(std::string(259, 'v') + "\n0\n");
    EXPECT_EQ(fits.version.size(), 259u);
    EXPECT_FALSE(fits.versionTooLong);

    const HotfixDescriptor over = descriptorOf(std::string(260, 'v') + "\n0\n");
    EXPECT_EQ(over.version.size(), 260u);
    EXPECT_TRUE(over.versionTooLong);
}

TEST(HotfixDescriptor, VersionKeepsBlanksAndIsNotChecked)
{
    EXPECT_EQ(descriptorOf(" 2.0 beta \n0\n").version, " 2.0 beta ");
    EXPECT_EQ(descriptorOf("\t\"&%\n0\n").version, "\t\"&%");
}
