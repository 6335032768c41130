#include "hotfix/system_program.h"

#include <windows.h>

#include "common/names.h"

std::optional<std::string> systemProgram(const char* fileName, unsigned long& error)
{
    char directory[kPathBufferSize] = {};
    const UINT length = GetSystemDirectoryA(directory, kPathBufferSize);
    if (length == 0 || length >= kPathBufferSize) {
        error = length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        return std::nullopt;
    }
    std::string path = std::string(directory, length) + "\\" + fileName;
    if (path.size() > kMaxPathChars) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return std::nullopt;
    }
    return path;
}
