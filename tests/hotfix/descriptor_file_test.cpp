#include "hotfix/descriptor_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_support.h"
#include "common/win_handle.h"

// The reads the descriptor reader is given, from real files in the run-time's text mode, while
// another program holds the file open for writing.
TEST(DescriptorFile, ReadsInTextModeLikeFgets)
{
    const ScratchDirectory scratch("qelt-descriptor");
    const std::string path = scratch.path + "\\hotfix.ini";
    const std::string full(1023, 'b');
    const struct {
        std::string bytes;
        std::vector<std::string> reads;
    } cases[] = {
        {"2.0\r\n1\r\n", {"2.0\n", "1\n"}},
        {"2.0\n10", {"2.0\n", "10"}},
        {"v\r\n" + full + "1\r\n", {"v\n", full, "1\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 10));
        ASSERT_TRUE(writeBytes(path, c.bytes));
        const ScopedHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer.valid());
        std::vector<std::string> reads;
        EXPECT_TRUE(readDescriptorFile(path, [&reads](const char* read) { reads.emplace_back(read); }));
        EXPECT_EQ(reads, c.reads);
    }
}
