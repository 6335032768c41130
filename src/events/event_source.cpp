#include "events/event_source.h"

#include <windows.h>

namespace {
constexpr const char* kSourceKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\QeltWatch";
}  // namespace

long registerEventSource(const std::string& modulePath)
{
    HKEY key = nullptr;
    LONG error = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    // A plain string: the path is taken as it stands, and one holding %...% is not expanded.
    error =
        RegSetValueExA(key, "EventMessageFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(modulePath.c_str()),
                       static_cast<DWORD>(modulePath.size() + 1));
    if (error == ERROR_SUCCESS) {
        error = RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                               sizeof types);
    }
    RegCloseKey(key);
    return error;
}
