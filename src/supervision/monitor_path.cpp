#include "supervision/monitor_path.h"

#include <windows.h>

#include "common/module_path.h"
#include "common/names.h"
#include "common/program_path.h"
#include "events/event_report.h"
#include "log/logger.h"

std::optional<std::string> monitorPath()
{
    std::string modulePath;
    unsigned long error = 0;
    if (!readModulePath(modulePath, error)) {
        Logger::getInstance()->writeFormat("GetModuleFileName failed (%d)", static_cast<int>(error));
        reportEvent(EVENT_PATH_UNREADABLE, {std::to_string(error)});
        return std::nullopt;
    }
    std::optional<std::string> path = siblingPath(modulePath, kMonitorFileName);
    if (!path) {
        Logger::getInstance()->writeFormat("qelt-monitor path too long (%d)",
                                           static_cast<int>(ERROR_FILENAME_EXCED_RANGE));
        std::string directory = modulePath;
        cutLastComponent(directory);
        reportEvent(EVENT_COMPANION_NOT_LAUNCHED,
                    {directory + "\\" + kMonitorFileName, std::to_string(ERROR_FILENAME_EXCED_RANGE)});
    }
    return path;
}
