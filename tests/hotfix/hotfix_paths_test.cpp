#include "hotfix/hotfix_paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

TEST(HotfixPaths, HotfixDirectoryLiesUnderTheParentOfTheProgramDirectory)
{
    const struct {
        const char* executable;
        std::optional<std::string> directory;
    } cases[] = {
        {"C:\\Apps\\Suite\\bin\\watch.exe", "C:\\Apps\\Suite\\hotfix"},
        {"C:/Apps/Suite/bin/watch.exe", "C:/Apps/Suite\\hotfix"},
        // The forward slash counts only where no backslash is left, at each cut.
        {"C:\\Apps\\bin/sub\\watch.exe", "C:\\Apps\\hotfix"},
        {"C:/Apps/Suite\\watch.exe", "C:/Apps\\hotfix"},
        {"C:\\watch.exe", "C:\\hotfix"},
        {"watch.exe", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.executable);
        const std::optional<std::string> root = installRootOf(c.executable);
        ASSERT_EQ(root.has_value(), c.directory.has_value());
        if (root) {
            EXPECT_EQ(hotfixPathsUnder(*root).directory, *c.directory);
        }
    }
}
