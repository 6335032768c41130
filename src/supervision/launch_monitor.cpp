#include "supervision/launch_monitor.h"

#include <shellapi.h>

bool launchMonitor(const std::string& monitorPath, HANDLE& process, unsigned long& error)
{
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    // Without FLAG_NO_UI a missing file makes the shell wait on an error dialog that nobody
    // can see from a service, and the service thread would never return.
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    request.lpFile = monitorPath.c_str();
    request.nShow = SW_HIDE;
    if (!ShellExecuteExA(&request)) {
        error = GetLastError();
        return false;
    }
    process = request.hProcess;
    return true;
}
