#include "common/program_path.h"

#include <gtest/gtest.h>

TEST(ProgramPath, CutsAtTheLastBackslash)
{
    std::string path = "C:\\Apps\\Suite\\bin\\watch.exe";
    ASSERT_TRUE(cutLastComponent(path));
    EXPECT_EQ(path, "C:\\Apps\\Suite\\bin");
    ASSERT_TRUE(cutLastComponent(path));
    EXPECT_EQ(path, "C:\\Apps\\Suite");
}

TEST(ProgramPath, FallsBackToForwardSlashOnlyWithoutBackslash)
{
    std::string forwardOnly = "C:/Apps/bin/watch.exe";
    ASSERT_TRUE(cutLastComponent(forwardOnly));
    EXPECT_EQ(forwardOnly, "C:/Apps/bin");

    std::string mixed = "C:\\Apps\\bin/sub/watch.exe";
    ASSERT_TRUE(cutLastComponent(mixed));
    EXPECT_EQ(mixed, "C:\\Apps");
}

TEST(ProgramPath, NoSeparatorLeavesThePathAlone)
{
    std::string path = "watch.exe";
    EXPECT_FALSE(cutLastComponent(path));
    EXPECT_EQ(path, "watch.exe");
}

TEST(ProgramPath, SiblingGetsABackslashWhateverTheSeparator)
{
    EXPECT_EQ(siblingPath("C:\\Program Files\\Qelt\\bin\\QeltWatch.exe", "QeltService.log"),
              "C:\\Program Files\\Qelt\\bin\\QeltService.log");
    EXPECT_EQ(siblingPath("C:/Qelt/bin/QeltWatch.exe", "qelt-monitor.exe"), "C:/Qelt/bin\\qelt-monitor.exe");
    EXPECT_EQ(siblingPath("C:\\QeltWatch.exe", "qelt-monitor.exe"), "C:\\qelt-monitor.exe");
}

TEST(ProgramPath, NoDirectoryMeansNoSibling)
{
    // Never the executable itself, never a file in the current directory.
    EXPECT_EQ(siblingPath("QeltWatch.exe", "QeltService.log"), std::nullopt);
    EXPECT_EQ(siblingPath("", "QeltService.log"), std::nullopt);
}

TEST(ProgramPath, SiblingMustFitAPathBuffer)
{
    const std::string name = "QeltService.log";  // 15 characters, 16 with the backslash
    const std::string fits(259 - 16, 'd');
    const auto atLimit = siblingPath("C:\\" + fits.substr(3) + "\\x.exe", name);
    ASSERT_TRUE(atLimit.has_value());
    EXPECT_EQ(atLimit->size(), 259u);

    const std::string tooLong(259 - 16 + 1, 'd');
    EXPECT_EQ(siblingPath("C:\\" + tooLong.substr(3) + "\\x.exe", name), std::nullopt);
}
