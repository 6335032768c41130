#include "trust/program_trust.h"

#include <windows.h>

#include <optional>

#include "common/module_path.h"
#include "common/program_path.h"
#include "common/win_handle.h"
#include "events/event_report.h"
#include "log/logger.h"
#include "trust/exposed_folders.h"
#include "trust/trust_check.h"

namespace {

void warn(const std::string& path, const std::string& reason)
{
    Logger::getInstance()->writeFormat("program not trusted: %s %s", path.c_str(), reason.c_str());
    reportEvent(EVENT_PROGRAM_NOT_TRUSTED, {path, reason});
}

void warnIfUntrusted(const std::string& path)
{
    // Only read, never used: sharing everything disturbs no one. A link is judged by its own
    // rights, since whoever may change it decides where it leads.
    ScopedHandle object(CreateFileA(
        path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
