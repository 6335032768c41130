#pragma once

#include <windows.h>

#include <string>

// A handle (all access, not inheritable) to the first running process whose executable file
// name is `exeName`, letter case ignored, that the service's own account or an elevated
// administrator runs, and whose program is the file at `imagePath` (runsOurProgram): a program of
// that name started from anywhere else, or by a user, is never taken for the companion. A process
// of that name that cannot be opened cannot be told apart: "err:%d" is logged and the look-up
// goes on. Null when none is found or the processes cannot be listed. The caller closes it.
HANDLE findMonitorProcess(const char* exeName, const std::string& imagePath);
