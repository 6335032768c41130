#include "common/program_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "hotfix/hotfix_paths.h"

// The log lies in the program directory, the install root one directory above it: the path is cut
// at its last backslash, or at its last forward slash only where no backslash is left, each time.
TEST(ProgramPaths, LogInTheProgramDirectoryInstallRootAboveIt)
{
    const struct {
        std::string executable;
        std::optional<std::string> log;
        std::optional<std::string> installRoot;
    } cases[] = {
        {"C:\\Qelt Suite\\bin\\QeltWatch.exe", "C:\\Qelt Suite\\bin\\QeltService.log", "C:\\Qelt Suite"},
        {"C:/Qelt/bin/QeltWatch.exe", "C:/Qelt/bin\\QeltService.log", "C:/Qelt"},
        {"C:\\Qelt\\bin/sub/QeltWatch.exe", "C:\\Qelt\\QeltService.log", "C:"},
        {"C:/Qelt/bin\\QeltWatch.exe", "C:/Qelt/bin\\QeltService.log", "C:/Qelt"},
        {"C:\\QeltWatch.exe", "C:\\QeltService.log", "C:"},
        {"QeltWatch.exe", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.executable);
        EXPECT_EQ(siblingPath(c.executable, "QeltService.log"), c.log);
        EXPECT_EQ(installRootOf(c.executable), c.installRoot);
    }
}

// The folders whose renaming would move a path, up to its volume's root, and final paths as the
// system reports them, in the form the service builds its own.
TEST(ProgramPaths, FoldersAboveAndFinalPaths)
{
    EXPECT_EQ(foldersAbove("C:\\Apps\\Suite\\bin"),
              (std::vector<std::string>{"C:\\Apps\\Suite", "C:\\Apps", "C:\\"}));
    EXPECT_EQ(foldersAbove("\\\\server\\share\\Suite\\bin"),
              (std::vector<std::string>{"\\\\server\\share\\Suite", "\\\\server\\share\\"}));
    EXPECT_EQ(foldersAbove("C:\\bin"), std::vector<std::string>{"C:\\"});
    EXPECT_EQ(foldersAbove("C:"), std::vector<std::string>{});
    EXPECT_EQ(withoutLongPathPrefix("\\\\?\\C:\\Apps\\hotfix"), "C:\\Apps\\hotfix");
    EXPECT_EQ(withoutLongPathPrefix("\\\\?\\UNC\\server\\share\\hotfix"), "\\\\server\\share\\hotfix");
    EXPECT_EQ(withoutLongPathPrefix("C:\\Apps"), "C:\\Apps");
}
