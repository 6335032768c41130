#include "trust/held_object.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/test_support.h"
#include "common/win_handle.h"

// What the hotfix step holds stays what it checked: while the handle is held nobody can rename,
// delete or write the file, nor rename the directory; once it is let go, they can.
TEST(HeldObject, CannotBeRenamedDeletedOrWrittenWhileHeld)
{
    const ScratchDirectory scratch("qelt-held");
    const std::string directory = scratch.path + "\\hotfix";
    const std::string file = directory + "\\hotfix.ini";
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    ASSERT_TRUE(writeBytes(file, "2.0\n0\n"));

    for (const std::string& path : {file, directory}) {
        SCOPED_TRACE(path);
        const bool isFile = path == file;
        ScopedHandle held(openUnfollowed(path, isFile ? DELETE : 0));
        ASSERT_TRUE(held.valid());
        EXPECT_FALSE(MoveFileA(path.c_str(), (path + "-moved").c_str()));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (isFile) {
            EXPECT_FALSE(DeleteFileA(path.c_str()));
            const ScopedHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr));
            EXPECT_FALSE(writer.valid());
        }
        held.reset();
        EXPECT_TRUE(MoveFileA(path.c_str(), (path + "-moved").c_str()));
        EXPECT_TRUE(MoveFileA((path + "-moved").c_str(), path.c_str()));
    }
}
