#include "hotfix/hotfix_paths.h"

#include <gtest/gtest.h>

#include <string>

TEST(HotfixPaths, InstallRootIsTheParentOfTheProgramDirectory)
{
    EXPECT_EQ(installRootOf("C:\\Apps\\Suite\\bin\\watch.exe"), "C:\\Apps\\Suite");
    EXPECT_EQ(installRootOf("C:/Apps/Suite/bin/watch.exe"), "C:/Apps/Suite");
    EXPECT_EQ(installRootOf("C:\\Apps\\bin/sub\\watch.exe"), "C:\\Apps");
    // The second cut looks for a forward slash only because no backslash is left.
    EXPECT_EQ(installRootOf("C:/Apps/Suite\\watch.exe"), "C:/Apps");
}

TEST(HotfixPaths, ExecutableInADriveRootUsesTheDrive)
{
    const auto root = installRootOf("C:\\watch.exe");
    ASSERT_EQ(root, "C:");
    const HotfixPaths paths = hotfixPathsUnder(*root);
    EXPECT_EQ(paths.directory, "C:\\hotfix");
    EXPECT_EQ(paths.descriptor, "C:\\hotfix\\hotfix.ini");
    EXPECT_EQ(paths.installer, "C:\\hotfix\\hotfixs.exe");
}

TEST(HotfixPaths, PathWithoutDirectoryNamesNoInstallRoot)
{
    EXPECT_EQ(installRootOf("watch.exe"), std::nullopt);
    EXPECT_EQ(installRootOf(""), std::nullopt);
}

TEST(HotfixPaths, InstallRootOfAtMost239CharactersFits)
{
    const std::string atLimit = "C:\\" + std::string(236, 'r');
    EXPECT_TRUE(installRootFits(atLimit));
    EXPECT_LE(hotfixPathsUnder(atLimit).installer.size(), 259u);
    EXPECT_FALSE(installRootFits(atLimit + "r"));
}
