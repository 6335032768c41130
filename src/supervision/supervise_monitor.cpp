#include "supervision/supervise_monitor.h"

#include <windows.h>

#include "common/launch_hidden.h"
#include "common/names.h"
#include "common/win_handle.h"
#include "events/event_report.h"
#include "events/summary_report.h"
#include "hotfix/apply_hotfix.h"
#include "log/logger.h"
#include "service/restart_pace.h"
#include "service/service_state.h"
#include "service/service_stop.h"
#include "supervision/find_monitor_process.h"
#include "supervision/monitor_path.h"
#include "supervision/supervisor_lock.h"
#include "trust/program_trust.h"

namespace {

// The pause after each end of the companion: a companion that ends at once is relaunched
// about once a second, never faster.
constexpr DWORD kRelaunchPauseMs = 1000;

// A stop, from this process or another of the service, ends the wait; the companion runs on.
// The wait wakes only when the daily summary is due.
void waitForMonitorExit(const std::string& path, ScopedHandle& monitor)
{
    for (WaitEnd end = WaitEnd::TimedOut; end != WaitEnd::Signalled;) {
        end = waitOrStop(monitor.get(), summaryWaitLimit(INFINITE - 1));
        if (end == WaitEnd::Stopped) {
            return;
        }
        reportSummaryIfDue();
    }
    // Read before the handle goes: afterwards nothing can tell how the companion ended.
    DWORD exitCode = 0;
    GetExitCodeProcess(monitor.get(), &exitCode);
    monitor.reset();
    Sleep(kRelaunchPauseMs);
    Logger::getInstance()->write("qelt-monitor  exit!");
    reportCompanionEnd(path, exitCode);
    countCompanionEnd(exitCode);
}

// False when the launch failed. A launch that gives no process (the shell handed the request
// to a program that runs already) leaves nothing to wait on; it is paced like an end.
// A stop during the hotfix step leaves its installer running: the companion is not launched
// beside it.
bool startMonitor(LaunchStep launch, const std::string& path, ScopedHandle& monitor)
{
    applyHotfix();
    if (bExit.load() != 0) {
        return true;
    }
    HANDLE process = nullptr;
    unsigned long error = 0;
    if (!launch(path.c_str(), nullptr, process, error)) {
        Logger::getInstance()->writeFormat("qelt-monitor start failed (%d)", static_cast<int>(error));
        reportEvent(EVENT_COMPANION_NOT_LAUNCHED, {path, std::to_string(error)});
        recordFailedStart();
        return false;
    }
    recordGoodStart();
    monitor.reset(process);
    if (!monitor.valid()) {
        Logger::getInstance()->write("qelt-monitor start gave no process to wait on");
        reportEvent(EVENT_COMPANION_NO_PROCESS, {path});
        Sleep(kRelaunchPauseMs);
        return true;
    }
    Logger::getInstance()->write("qelt-monitor start success!");
    return true;
}

}  // namespace

void superviseMonitor()
{
    superviseMonitorWith(launchHidden);
}

void superviseMonitorWith(LaunchStep launch)
{
    // A companion that cannot even be named cannot be launched: paced as a failed launch.
    const std::optional<std::string> path = monitorPath();
    if (!path) {
        if (waitRestartPace()) {
            recordFailedStart();
        }
        return;
    }
    warnIfProgramUntrusted(*path);
    // Only now may this process adopt the companion: the one that held the lock may have
    // launched it.
    SupervisorLock lock;
    if (!lock.take()) {
        Logger::getInstance()->write("Qelt-watch Exit!");
        return;
    }
    reportSummaryIfDue();
    ScopedHandle monitor(findMonitorProcess(kMonitorFileName, *path));
    if (!monitor.valid() && !waitRestartPace()) {
        Logger::getInstance()->write("Qelt-watch Exit!");
        return;
    }
    while (bExit.load() == 0) {
        if (monitor.valid()) {
            waitForMonitorExit(*path, monitor);
        } else if (!startMonitor(launch, *path, monitor)) {
            return;
        }
    }
    Logger::getInstance()->write("Qelt-watch Exit!");
}
