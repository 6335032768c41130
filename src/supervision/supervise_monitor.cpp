#include "supervision/supervise_monitor.h"

#include <windows.h>

#include "common/find_monitor_process.h"
#include "common/launch_hidden.h"
#include "common/names.h"
#include "common/win_handle.h"
#include "hotfix/apply_hotfix.h"
#include "log/logger.h"
#include "service/service_state.h"
#include "supervision/monitor_path.h"

namespace {

void waitForMonitorExit(ScopedHandle& monitor)
{
    WaitForSingleObject(monitor.get(), INFINITE);
    monitor.reset();
    Sleep(1000);
    Logger::getInstance()->write("qelt-monitor  exit!");
}

bool startMonitor(const std::string& path, ScopedHandle& monitor)
{
    applyHotfix();
    HANDLE process = nullptr;
    unsigned long error = 0;
    if (!launchHidden(path.c_str(), nullptr, process, error)) {
        Logger::getInstance()->writeFormat("qelt-monitor start failed (%d)", static_cast<int>(error));
        return false;
    }
    monitor.reset(process);
    Logger::getInstance()->write("qelt-monitor start success!");
    return true;
}

}  // namespace

void superviseMonitor()
{
    const std::optional<std::string> path = monitorPath();
    if (!path) {
        return;
    }
    ScopedHandle monitor(findMonitorProcess(kMonitorFileName));
    while (bExit.load() == 0) {
        if (monitor.valid()) {
            waitForMonitorExit(monitor);
        } else if (!startMonitor(*path, monitor)) {
            return;
        }
    }
    Logger::getInstance()->write("Qelt-watch Exit!");
}
