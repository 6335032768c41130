#include "common/launch_hidden.h"

#include <shellapi.h>

namespace {

bool isDirectory(const char* file)
{
    const DWORD attributes = GetFileAttributesA(file);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool launchHidden(const char* file, const char* parameters, HANDLE& process, unsigned long& error)
{
    // The shell would open a directory in a file manager under the service's account, and the
    // caller would wait on that window's process for ever: a directory is not a program.
    if (isDirectory(file)) {
        error = ERROR_BAD_EXE_FORMAT;
        return false;
    }
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    // No launch may wait on a dialog that nobody can see from a service: without FLAG_NO_UI a
    // program that is missing or cannot start shows an error, and without NOZONECHECKS a program
    // carrying the download zone mark shows the security warning; the service thread would then
    // never return.
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
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
