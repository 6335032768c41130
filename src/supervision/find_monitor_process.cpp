#include "supervision/find_monitor_process.h"

#include "common/process_list.h"
#include "common/win_handle.h"
#include "events/event_report.h"
#include "log/logger.h"
#include "trust/process_identity.h"

HANDLE findMonitorProcess(const char* exeName, const std::string& imagePath)
{
    HANDLE process = nullptr;
    forEachProcessNamed(exeName, [&process, &imagePath, exeName](unsigned long processId) {
        ScopedHandle candidate(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
        if (!candidate.valid()) {
            const DWORD openError = GetLastError();
            Logger::getInstance()->writeFormat("err:%d", static_cast<int>(openError));
            reportEvent(EVENT_PROCESS_NOT_OPENED, {exeName, std::to_string(openError)});
            return true;
        }
        if (!runsOurProgram(candidate.get(), imagePath)) {
            return true;
        }
        process = candidate.release();
        return false;
    });
    return process;
}
