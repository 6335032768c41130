#pragma once

#include <optional>
#include <string>

// The full path of the system program `fileName` in the system directory (System32), so that
// it is never searched for: a search looks in the service's own directory first. Empty, with
// the system's error code, when the system directory cannot be read or the path would not fit
// a MAX_PATH buffer.
std::optional<std::string> systemProgram(const char* fileName, unsigned long& error);
