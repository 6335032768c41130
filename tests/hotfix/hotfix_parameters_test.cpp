#include "hotfix/hotfix_parameters.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

// The longest hotfix directory (246 characters) with versions around the 511-character limit:
// quotes, blanks and the verb take 13 characters more with "doinstall", 15 with "douninstall".
TEST(InstallerParameters, FitWhole511CharactersAndNoMore)
{
    const std::string directory = "C:\\" + std::string(243, 'd');
    const struct {
        std::size_t versionChars;
        const char* verb;
        std::size_t parameterChars;  // 0: refused
    } cases[] = {
        {250, "douninstall", 511},
        {251, "douninstall", 0},
        {252, "doinstall", 511},
        {253, "doinstall", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.versionChars) + " " + c.verb);
        const auto parameters = installerParameters(directory, std::string(c.versionChars, 'v'), c.verb);
        EXPECT_EQ(parameters.value_or("").size(), c.parameterChars);
    }
}
