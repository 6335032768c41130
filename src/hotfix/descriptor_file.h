#pragma once

#include <functional>

#include "common/win_handle.h"

// Reads the open file `file` with the C run-time in text mode, handing each fgets read of a
// 1024-byte buffer to `onRead`, to the end of the file. Takes the handle over and closes it
// before returning. Returns false when the run-time cannot take the handle.
bool readDescriptorFile(ScopedHandle file, const std::function<void(const char* read)>& onRead);
