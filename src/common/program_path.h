#pragma once

#include <optional>
#include <string>

// Ends `path` at its last backslash or, only where it holds no backslash, at its last forward
// slash; the separator goes too. Returns false, leaving `path` unchanged, when it holds neither.
bool cutLastComponent(std::string& path);

// The file `fileName` beside the executable at `modulePath`: the program directory, a
// backslash and the name. Empty when the path names no directory or the result would not fit
// a MAX_PATH buffer, so that no caller ever acts on a cut path.
std::optional<std::string> siblingPath(const std::string& modulePath, const std::string& fileName);
