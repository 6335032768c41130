#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The longest install root for which every hotfix path and the clean-up command still fit
// a MAX_PATH buffer.
constexpr std::size_t kMaxInstallRootChars = 239;

// Where a hotfix is looked for: the hotfix directory under the install root, the descriptor
// and the installer in it.
struct HotfixPaths {
    std::string directory;
    std::string descriptor;
    std::string installer;
};

// The parent of the program directory: the executable's path cut twice at its last separator
// (backslash, or forward slash only where no backslash is left). An executable in a drive's
// root gives the drive ("C:"). Empty when the path names no directory at all, so that no
// hotfix is ever looked for relative to the current directory.
std::optional<std::string> installRootOf(const std::string& modulePath);

inline bool installRootFits(const std::string& installRoot)
{
    return installRoot.size() <= kMaxInstallRootChars;
}

HotfixPaths hotfixPathsUnder(const std::string& installRoot);
