#include "hotfix/installer_wait.h"

#include <windows.h>

#include "common/find_monitor_process.h"
#include "common/names.h"
#include "common/win_handle.h"
#include "log/logger.h"

void waitForRunningInstallers()
{
    bool waited = false;
    for (;;) {
        ScopedHandle installer(findMonitorProcess(kInstallerFileName));
        // An installer that has ended can still be listed while others hold a handle to it:
        // waiting on it again would return at once, for ever.
        if (!installer.valid() || WaitForSingleObject(installer.get(), 0) != WAIT_TIMEOUT) {
            return;
        }
        if (!waited) {
            Logger::getInstance()->write("hotfixs.exe still running, waiting");
            waited = true;
        }
        WaitForSingleObject(installer.get(), INFINITE);
    }
}
