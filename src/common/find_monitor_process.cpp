#include "common/find_monitor_process.h"

#include <tlhelp32.h>

#include <cstring>

#include "common/win_handle.h"
#include "log/logger.h"

HANDLE findMonitorProcess(const char* exeName)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) {
        return nullptr;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (std::strcmp(entry.szExeFile, exeName) != 0) {
            continue;
        }
        HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
        if (process == nullptr) {
            const DWORD openError = GetLastError();
            Logger::getInstance()->writeFormat("err:%d", static_cast<int>(openError));
        }
        return process;
    }
    return nullptr;
}
