#include "common/process_list.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstring>
#include <string>

#include "common/win_handle.h"

namespace {

// The fixed names are plain ASCII, so each byte is its character.
std::wstring widened(const char* name)
{
    return std::wstring(name, name + std::strlen(name));
}

bool sameName(const wchar_t* a, const std::wstring& b)
{
    return CompareStringOrdinal(a, -1, b.c_str(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

void forEachProcessNamed(const char* exeName, const std::function<bool(unsigned long processId)>& visit)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) {
        return;
    }
    const std::wstring name = widened(exeName);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (sameName(entry.szExeFile, name) && !visit(entry.th32ProcessID)) {
            return;
        }
    }
}
