#pragma once

#include <string>

// Reads the full path of the running executable. Returns false with the system's error code
// when the path cannot be read or does not fit a MAX_PATH buffer (ERROR_INSUFFICIENT_BUFFER):
// a cut path is never handed out.
bool readModulePath(std::string& path, unsigned long& error);
