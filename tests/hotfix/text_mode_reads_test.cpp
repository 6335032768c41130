#include "hotfix/text_mode_reads.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Reads = std::vector<std::string>;

TEST(TextModeReads, CrLfReadsAsLineFeedAndOtherCarriageReturnsStay)
{
    EXPECT_EQ(textModeReads("a\r\nb\r\n"), (Reads{"a\n", "b\n"}));
    EXPECT_EQ(textModeReads("a\rb\n"), (Reads{"a\rb\n"}));
    EXPECT_EQ(textModeReads("a\r\r\nb"), (Reads{"a\r\n", "b"}));
    EXPECT_EQ(textModeReads("a\r"), (Reads{"a\r"}));
}

TEST(TextModeReads, CtrlZEndsTheFile)
{
    const std::string ctrlZ = "\x1a";
    EXPECT_EQ(textModeReads("2.0\n" + ctrlZ + "1\n"), (Reads{"2.0\n"}));
    EXPECT_EQ(textModeReads("2." + ctrlZ + "0\n1\n"), (Reads{"2."}));
    EXPECT_EQ(textModeReads(ctrlZ), Reads{});
}

TEST(TextModeReads, NulBytesAreKeptInTheRead)
{
    EXPECT_EQ(textModeReads(std::string("a\0b\nc", 5)), (Reads{std::string("a\0b\n", 4), "c"}));
}

TEST(TextModeReads, ReadsHoldAtMost1023Characters)
{
    const std::string fits(1022, 'a');
    EXPECT_EQ(textModeReads(fits + "\n"), (Reads{fits + "\n"}));

    const std::string full(1023, 'b');
    EXPECT_EQ(textModeReads(full + "\n"), (Reads{full, "\n"}));
    EXPECT_EQ(textModeReads(full + full + "c"), (Reads{full, full, "c"}));
    // CR LF counts as the one character it reads as.
    EXPECT_EQ(textModeReads(fits + "\r\n"), (Reads{fits + "\n"}));
}
