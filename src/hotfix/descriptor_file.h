#pragma once

#include <functional>
#include <string>

// Reads the file at `path` with the C run-time in text mode ("r", shared for reading and
// writing by others), handing each fgets read of a 1024-byte buffer to `onRead`, to the end
// of the file, and closes it before returning. Returns false when the file cannot be opened.
bool readDescriptorFile(const std::string& path, const std::function<void(const char* read)>& onRead);
