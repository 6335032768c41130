#include "common/program_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

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
