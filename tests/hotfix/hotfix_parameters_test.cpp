#include "hotfix/hotfix_parameters.h"

#include <gtest/gtest.h>

#include <string>

TEST(InstallerParameters, QuotedDirectoryVersionAndVerb)
{
    EXPECT_EQ(installerParameters("C:\\Apps\\Suite\\hotfix", "2.1.0", "douninstall"),
              "\"C:\\Apps\\Suite\\hotfix\" 2.1.0 douninstall");
    EXPECT_EQ(installerParameters("C:\\Program Files\\A & B\\hotfix", "2.0 beta", "doinstall"),
              "\"C:\\Program Files\\A & B\\hotfix\" 2.0 beta doinstall");
}

TEST(InstallerParameters, EmptyVersionLeavesTwoBlanks)
{
    EXPECT_EQ(installerParameters("C:\\hotfix", "", "doinstall"), "\"C:\\hotfix\"  doinstall");
}

TEST(InstallerParameters, LongerThan511CharactersIsRefused)
{
    const std::string directory = "C:\\" + std::string(243, 'd');  // 246 characters
    // Quotes, blanks and "douninstall" take 15: 246 + 250 + 15 = 511.
    const auto atLimit = installerParameters(directory, std::string(250, 'v'), "douninstall");
    ASSERT_TRUE(atLimit.has_value());
    EXPECT_EQ(atLimit->size(), 511u);
    EXPECT_EQ(installerParameters(directory, std::string(251, 'v'), "douninstall"), std::nullopt);
    EXPECT_TRUE(installerParameters(directory, std::string(252, 'v'), "doinstall").has_value());
    EXPECT_EQ(installerParameters(directory, std::string(259, 'v'), "doinstall"), std::nullopt);
}

TEST(CleanupParameters, RemovesTheQuotedHotfixDirectory)
{
    EXPECT_EQ(cleanupParameters("C:\\Apps\\Suite\\hotfix"), "/c rd  /s /q \"C:\\Apps\\Suite\\hotfix\"");
    EXPECT_EQ(cleanupParameters("C:\\Program Files\\A & B\\hotfix"),
              "/c rd  /s /q \"C:\\Program Files\\A & B\\hotfix\"");
}

TEST(CleanupParameters, PathThatCmdWouldExpandIsRefused)
{
    EXPECT_EQ(cleanupParameters("C:\\E%ERRORLEVEL%\\hotfix"), std::nullopt);
    EXPECT_EQ(cleanupParameters("C:\\100%\\hotfix"), std::nullopt);
    EXPECT_TRUE(cleanupParameters("C:\\a^b & c!\\hotfix").has_value());
}
