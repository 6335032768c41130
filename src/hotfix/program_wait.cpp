#include "hotfix/program_wait.h"

#include "events/event_report.h"
#include "events/summary_report.h"
#include "log/logger.h"
#include "service/service_stop.h"

bool waitForHotfixProgram(HANDLE process, const std::string& path, DWORD warnEveryMs)
{
    for (;;) {
        switch (waitOrStop(process, warnEveryMs)) {
        case WaitEnd::Stopped:
            return false;
        case WaitEnd::Signalled:
            return true;
        case WaitEnd::TimedOut:
            Logger::getInstance()->writeFormat("hotfix program still running: %s", path.c_str());
            reportEvent(EVENT_HOTFIX_STILL_RUNNING, {path});
            reportSummaryIfDue();
            break;
        }
    }
}
