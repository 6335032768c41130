#include "hotfix/installer_wait.h"

#include <windows.h>

#include "common/names.h"
#include "common/process_list.h"
#include "common/win_handle.h"
#include "events/event_report.h"
#include "hotfix/program_wait.h"
#include "log/logger.h"
#include "trust/process_identity.h"

namespace {

// The first listed installer of `installerPath` that still runs, opened only to tell its program
// and wait for it. One that has ended can still be listed while another program holds a handle to
// it; waiting on it would return at once, so it is passed by.
ScopedHandle runningInstaller(const std::string& installerPath)
{
    ScopedHandle running;
    forEachProcessNamed(kInstallerFileName, [&running, &installerPath](unsigned long processId) {
        ScopedHandle installer(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
        if (!installer.valid()) {
            const DWORD openError = GetLastError();
            Logger::getInstance()->writeFormat("err:%d", static_cast<int>(openError));
            reportEvent(EVENT_PROCESS_NOT_OPENED, {kInstallerFileName, std::to_string(openError)});
            return true;
        }
        if (!runsOurProgram(installer.get(), installerPath) ||
            WaitForSingleObject(installer.get(), 0) != WAIT_TIMEOUT) {
            return true;
        }
        running = std::move(installer);
        return false;
    });
    return running;
}

}  // namespace

bool waitForRunningInstallers(const std::string& installerPath)
{
    bool waited = false;
    for (ScopedHandle installer = runningInstaller(installerPath); installer.valid();
         installer = runningInstaller(installerPath)) {
        if (!waited) {
            Logger::getInstance()->write("hotfixs.exe still running, waiting");
            reportEvent(EVENT_HOTFIX_WAITING, {installerPath});
            waited = true;
        }
        if (!waitForHotfixProgram(installer.get(), installerPath)) {
            return false;
        }
    }
    return true;
}
