#include "common/same_path.h"

#include <windows.h>

#include "common/module_path.h"

namespace {

std::string longForm(const std::string& path)
{
    std::string buffer(MAX_PATH, '\0');
    DWORD length = GetLongPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.resize(length);
        length = GetLongPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size()) {
        return path;
    }
    buffer.resize(length);
    return buffer;
}

}  // namespace

bool samePath(const std::string& a, const std::string& b)
{
    const std::wstring left = widened(longForm(a));
    const std::wstring right = widened(longForm(b));
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}
