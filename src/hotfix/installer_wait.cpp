#include "hotfix/installer_wait.h"

#include <windows.h>

#include "common/names.h"
#include "common/process_list.h"
#include "common/win_handle.h"
#include "log/logger.h"

namespace {

// The first listed installer that still runs, opened only to wait for it: an account that may
// not open it for more may still wait on it. One that has ended can still be listed while
// another program holds a handle to it; waiting on it would return at once, so it is passed by.
ScopedHandle runningInstaller()
{
    ScopedHandle running;
    forEachProcessNamed(kInstallerFileName, [&running](unsigned long processId) {
        ScopedHandle installer(OpenProcess(SYNCHRONIZE, FALSE, processId));
        if (!installer.valid()) {
            const DWORD openError = GetLastError();
            Logger::getInstance()->writeFormat("err:%d", static_cast<int>(openError));
            return true;
        }
        if (WaitForSingleObject(installer.get(), 0) != WAIT_TIMEOUT) {
            return true;
        }
        running = std::move(installer);
        return false;
    });
    return running;
}

}  // namespace

void waitForRunningInstallers()
{
    bool waited = false;
    for (ScopedHandle installer = runningInstaller(); installer.valid(); installer = runningInstaller()) {
        if (!waited) {
            Logger::getInstance()->write("hotfixs.exe still running, waiting");
            waited = true;
        }
        WaitForSingleObject(installer.get(), INFINITE);
    }
}
