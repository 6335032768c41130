#include "common/program_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

TEST(ProgramPath, SiblingIsTheProgramDirectoryABackslashAndTheName)
{
    // "QeltService.log" and its backslash take 16 characters: a program directory of 243 is the
    // longest whose sibling fits in 259.
    const std::string longest = "C:\\" + std::string(240, 'd');
    const struct {
        std::string executable;
        std::optional<std::string> sibling;
    } cases[] = {
        {"C:\\Program Files\\Qelt\\bin\\QeltWatch.exe", "C:\\Program Files\\Qelt\\bin\\QeltService.log"},
        {"C:/Qelt/bin/QeltWatch.exe", "C:/Qelt/bin\\QeltService.log"},
        {"C:\\Qelt\\bin/sub/QeltWatch.exe", "C:\\Qelt\\QeltService.log"},
        {"C:\\QeltWatch.exe", "C:\\QeltService.log"},
        {"QeltWatch.exe", std::nullopt},
        {"", std::nullopt},
        {longest + "\\x.exe", longest + "\\QeltService.log"},
        {longest + "d\\x.exe", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.executable);
        EXPECT_EQ(siblingPath(c.executable, "QeltService.log"), c.sibling);
    }
}
