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
    if (widened(std::string(buffer, length)) != readWideModulePath()) {
        error = ERROR_NO_UNICODE_TRANSLATION;
        return false;
    }
    path.assign(buffer, length);
    return true;
}

std::wstring readWideModulePath()
{
    wchar_t buffer[kPathBufferSize] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, kPathBufferSize);
    return length > 0 && length < kPathBufferSize ? std::wstring(buffer, length) : std::wstring();
}

std::wstring widened(const std::string& narrow)
{
    const int size = static_cast<int>(narrow.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, wide.data(), length);
    }
    return wide;
}
