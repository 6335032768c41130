#include "hotfix/descriptor_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_support.h"
#include "trust/held_object.h"

// The descriptor as the hotfix step reads it: through the handle it checked, held sharing
// reading only, so that nothing can write, rename or delete the file (or its directory) between
// the check and the read, and with the run-time's text-mode reads.
TEST(DescriptorFile, ReadThroughTheHeldHandleLikeFgets)
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
        ScopedHandle directory(openUnfollowed(scratch.path));
        ScopedHandle file(openUnfollowed(path));
        ASSERT_TRUE(directory.valid() && file.valid());
        const ScopedHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_FALSE(writer.valid());
        EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".old").c_str()));
        EXPECT_FALSE(MoveFileA(scratch.path.c_str(), (scratch.path + ".old").c_str()));

        std::vector<std::string> reads;
        EXPECT_TRUE(
            readDescriptorFile(std::move(file), [&reads](const char* read) { reads.emplace_back(read); }));
        EXPECT_EQ(reads, c.reads);
        // The reader closed the handle it was given.
        EXPECT_TRUE(DeleteFileA(path.c_str()));
    }
}
