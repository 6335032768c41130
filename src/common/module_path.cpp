#include "common/module_path.h"

#include <windows.h>

#include "common/names.h"

bool readModulePath(std::string& path, unsigned long& error)
{
    char buffer[kPathBufferSize] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, kPathBufferSize);
    if (length == 0) {
        error = GetLastError();
        return false;
    }
    // A path that fills the buffer was cut (older systems do not set the error code then).
    if (length >= kPathBufferSize) {
        error = ERROR_INSUFFICIENT_BUFFER;
        return false;
    }
    path.assign(buffer, length);
    return true;
}
