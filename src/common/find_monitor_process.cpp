#include "common/find_monitor_process.h"

#include "common/process_list.h"
#include "log/logger.h"

HANDLE findMonitorProcess(const char* exeName)
{
    HANDLE process = nullptr;
    forEachProcessNamed(exeName, [&process](unsigned long processId) {
        process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
        if (process == nullptr) {
            const DWORD openError = GetLastError();
            Logger::getInstance()->writeFormat("err:%d", static_cast<int>(openError));
        }
        return false;
    });
    return process;
}
