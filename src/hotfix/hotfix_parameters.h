#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The installer's parameters must fit a 512-byte buffer.
constexpr std::size_t kMaxInstallerParameterChars = 511;

// "doinstall" for 0, "douninstall" for 1; null for every other operation type, which is refused.
const char* hotfixVerb(int optType);

// The hotfix directory in double quotes, a blank, the version text, a blank, the verb: the
// installer receives the directory (blanks and all), the version and the verb. Empty when the
// string would be longer than 511 characters: the installer is never run with a cut string.
std::optional<std::string> installerParameters(const std::string& hotfixDirectory, const std::string& version,
                                               const std::string& verb);

// The first character of the hotfix directory's path that no quoting keeps the command
// interpreter from expanding, '%' or '!'; NUL when there is none. cmd expands %...% even inside
// quotes (its own %ERRORLEVEL%, %CD%, %RANDOM% included), and where delayed expansion is on it
// drops or expands !...! inside quotes too: such a path could name another directory.
char cleanupRefusal(const std::string& hotfixDirectory);

// cmd's parameters that remove the hotfix directory and nothing else. The directory is quoted
// so that blanks and &|<>^ stay part of the path. Empty when cleanupRefusal names a character.
std::optional<std::string> cleanupParameters(const std::string& hotfixDirectory);
