#pragma once

#include <optional>
#include <string>
#include <vector>

// Ends `path` at its last backslash or, only where it holds no backslash, at its last forward
// slash; the separator goes too. Returns false, leaving `path` unchanged, when it holds neither.
bool cutLastComponent(std::string& path);

// The file `fileName` beside the executable at `modulePath`: the program directory, a
// backslash and the name. Empty when the path names no directory or the result would not fit
// a MAX_PATH buffer, so that no caller ever acts on a cut path.
std::optional<std::string> siblingPath(const std::string& modulePath, const std::string& fileName);

// Every folder above `path`, nearest first, up to the root of its volume, which ends in a
// backslash ("C:\", "\\server\share\"): the folders whose renaming would move `path`.
std::vector<std::string> foldersAbove(const std::string& path);

// A path as the system reports an open object's final path, without the "\\?\" that marks it
// ("\\?\C:\x" is C:\x, "\\?\UNC\server\share\x" is \\server\share\x).
std::string withoutLongPathPrefix(const std::string& finalPath);
