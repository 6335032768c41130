#include "supervision/program_trust.h"

#include <windows.h>

#include <optional>

#include "common/module_path.h"
#include "common/program_path.h"
#include "common/trust_check.h"
#include "common/win_handle.h"
#include "log/logger.h"

namespace {

void warnIfUntrusted(const std::string& path)
{
    // Only read, never used: sharing everything disturbs no one.
    ScopedHandle object(CreateFileA(path.c_str(), READ_CONTROL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const DWORD openError = object.valid() ? ERROR_SUCCESS : GetLastError();
    if (openError == ERROR_FILE_NOT_FOUND) {
        return;
    }
    const std::optional<std::string> distrust =
        object.valid() ? distrustOf(object.get()) : "cannot be checked (" + std::to_string(openError) + ")";
    if (distrust) {
        Logger::getInstance()->writeFormat("program not trusted: %s %s", path.c_str(), distrust->c_str());
    }
}

}  // namespace

void warnIfProgramUntrusted(const std::string& monitorPath)
{
    std::string executable;
    unsigned long error = 0;
    if (!readModulePath(executable, error)) {
        return;
    }
    std::string directory = executable;
    if (cutLastComponent(directory)) {
        warnIfUntrusted(directory);
    }
    warnIfUntrusted(executable);
    warnIfUntrusted(monitorPath);
}
