#include "common/launch_hidden.h"

#include <shellapi.h>

bool launchHidden(const char* file, const char* parameters, HANDLE& process, unsigned long& error)
{
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    // Without FLAG_NO_UI a program that is missing or cannot start makes the shell wait on an
    // error dialog that nobody can see from a service, and the service thread never returns.
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    request.lpFile = file;
    request.lpParameters = parameters;
    request.nShow = SW_HIDE;
    if (!ShellExecuteExA(&request)) {
        error = GetLastError();
        return false;
    }
    process = request.hProcess;
    return true;
}
