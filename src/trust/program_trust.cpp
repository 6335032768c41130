#include "trust/program_trust.h"

#include <windows.h>

#include <optional>

#include "common/module_path.h"
#include "common/program_path.h"
#include "common/win_handle.h"
#include "events/event_report.h"
#include "log/logger.h"
#include "trust/exposed_folders.h"
#include "trust/held_object.h"
#include "trust/trust_check.h"

namespace {

void warn(const std::string& path, const std::string& reason)
{
    Logger::getInstance()->writeFormat("program not trusted: %s %s", path.c_str(), reason.c_str());
    reportEvent(EVENT_PROGRAM_NOT_TRUSTED, {path, reason});
}

void warnIfUntrusted(const std::string& path)
{
    ScopedHandle object(openToInspect(path));
    const DWORD openError = object.valid() ? ERROR_SUCCESS : GetLastError();
    if (openError == ERROR_FILE_NOT_FOUND) {
        return;
    }
    const std::optional<std::string> distrust =
        object.valid() ? distrustOf(object.get()) : "cannot be checked (" + std::to_string(openError) + ")";
    if (distrust) {
        warn(path, *distrust);
    }
}

}  // namespace

void warnIfProgramUntrusted(const std::string& monitorPath)
{
    std::string executable;
    unsigned long error = 0;
    if (readModulePath(executable, error)) {
        warnIfProgramUntrustedFor(executable, monitorPath);
    }
}

void warnIfProgramUntrustedFor(const std::string& executable, const std::string& monitorPath)
{
    std::string directory = executable;
    if (cutLastComponent(directory)) {
        warnIfUntrusted(directory);
    }
    warnIfUntrusted(executable);
    warnIfUntrusted(monitorPath);
    if (directory != executable) {
        for (const FolderExposure& exposure : exposedFolders(directory)) {
            warn(exposure.folder, exposure.reason);
        }
    }
}
