#include "hotfix/descriptor_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hotfix/hotfix_test_support.h"
#include "hotfix/text_mode_reads.h"

namespace {

const std::string kCtrlZ = "\x1a";

// What a reader of each fgets read sees: its text up to the first NUL.
std::vector<std::string> seenByTheReader(const std::vector<std::string>& reads)
{
    std::vector<std::string> seen;
    for (const std::string& read : reads) {
        seen.emplace_back(read.c_str());
    }
    return seen;
}

// Bytes of every kind that text mode treats specially, in lines of all lengths.
std::string mixedBytes(std::size_t size, unsigned seed)
{
    const char alphabet[] = {'a', '1', ' ', '\r', '\n', '\0', '\r', '\n'};
    std::string bytes;
    bytes.reserve(size);
    unsigned state = seed;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        const unsigned pick = (state >> 16) % 64;
        if (pick == 0) {
            bytes.append(1000 + (state >> 8) % 2000, 'x');
        } else {
            bytes += alphabet[pick % sizeof alphabet];
        }
    }
    bytes.resize(size);
    return bytes;
}

class DescriptorFileTest : public ::testing::Test {
protected:
    std::vector<std::string> crtReads(const std::string& bytes)
    {
        EXPECT_TRUE(writeBytes(path_, bytes));
        std::vector<std::string> reads;
        EXPECT_TRUE(readDescriptorFile(path_, [&reads](const char* read) { reads.emplace_back(read); }));
        return reads;
    }

    ScratchDirectory scratch_{"qelt-descriptor"};
    std::string path_ = scratch_.path() + "\\hotfix.ini";
};

}  // namespace

TEST_F(DescriptorFileTest, RunTimeReadsMatchTheTextModeModel)
{
    const std::string line1022(1022, 'a');
    const std::string line1023(1023, 'b');
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"line feeds", "2.0\n1\n"},
        {"CR LF", "2.0\r\n1\r\n"},
        {"no final line end", "2.0\r\n10"},
        {"lone CR", "a\rb\r\n"},
        {"CR CR LF", "a\r\r\nb\r\n"},
        {"CR at the end", "2.0\r\n1\r"},
        {"CR before Ctrl-Z", "2.0\r" + kCtrlZ + "\n1\n"},
        {"Ctrl-Z between lines", "2.0\r\n" + kCtrlZ + "1\r\n"},
        {"Ctrl-Z first", kCtrlZ + "2.0\n1\n"},
        {"NUL in a line", std::string("2.0\0x\r\n1\0\r\n", 12)},
        {"NUL first", std::string("\0"
                                  "2.0\n1\n",
                                  7)},
        {"1022 and LF", line1022 + "\n1\n"},
        {"1022 and CR LF", line1022 + "\r\n1\r\n"},
        {"1023 and CR LF", line1023 + "\r\n1\r\n"},
        {"1023 and CR", line1023 + "\r1\n"},
        {"CR LF across the run-time's buffer", std::string(4095, 'c') + "\r\n1\r\n"},
        {"CR ending the run-time's buffer", std::string(4095, 'c') + "\rx\n"},
        {"two reads of one line", "v\n" + line1023 + line1023 + "1\n"},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(crtReads(bytes), seenByTheReader(textModeReads(bytes)));
    }
}

TEST_F(DescriptorFileTest, OneMebibyteOfMixedBytesMatchesTheModel)
{
    const std::string bytes = mixedBytes(1 << 20, 7);
    const std::vector<std::string> reads = crtReads(bytes);
    EXPECT_GT(reads.size(), 1000u);
    EXPECT_EQ(reads, seenByTheReader(textModeReads(bytes)));

    std::string endedLate = bytes;
    endedLate[endedLate.size() - 5000] = kCtrlZ[0];
    EXPECT_EQ(crtReads(endedLate), seenByTheReader(textModeReads(endedLate)));
}

TEST_F(DescriptorFileTest, MissingFileIsNotRead)
{
    bool called = false;
    EXPECT_FALSE(readDescriptorFile(path_, [&called](const char*) { called = true; }));
    EXPECT_FALSE(called);
    EXPECT_FALSE(readDescriptorFile(scratch_.path() + "\\absent\\hotfix.ini", [](const char*) {}));
}

TEST_F(DescriptorFileTest, FileHeldOpenByItsWriterIsStillRead)
{
    ASSERT_TRUE(writeBytes(path_, "2.0\n1\n"));
    HANDLE writer =
        CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    std::vector<std::string> reads;
    EXPECT_TRUE(readDescriptorFile(path_, [&reads](const char* read) { reads.emplace_back(read); }));
    CloseHandle(writer);
    EXPECT_EQ(reads, (std::vector<std::string>{"2.0\n", "1\n"}));
}

TEST_F(DescriptorFileTest, FileIsClosedWhenTheReadingEnds)
{
    crtReads("2.0\r\n1\r\nmore\r\n");
    // A handle still open without delete sharing would make this fail with a sharing violation.
    EXPECT_TRUE(DeleteFileA(path_.c_str())) << GetLastError();
}
