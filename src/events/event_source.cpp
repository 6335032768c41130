#include "events/event_source.h"

#include <windows.h>

#include "common/same_path.h"

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
    // REG_EXPAND_SZ, as the Event Log documents this value: readers expand %...% in it, so a
    // path holding such a pair names another file there (the guide says so).
    error = RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ,
                           reinterpret_cast<const BYTE*>(modulePath.c_str()),
                           static_cast<DWORD>(modulePath.size() + 1));
    if (error == ERROR_SUCCESS) {
        error = RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                               sizeof types);
    }
    RegCloseKey(key);
    return error;
}

bool eventSourceIsStale(const std::string& modulePath)
{
    char named[MAX_PATH * 2] = {};
    DWORD size = sizeof named - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSourceKey, "EventMessageFile",
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, named,
                     &size) != ERROR_SUCCESS) {
        return false;
    }
    return !samePath(named, modulePath);
}
