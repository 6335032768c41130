#pragma once

#include <windows.h>

// A handle (all access, not inheritable) to the first running process whose executable file
// name is exactly `exeName`, letter case included; null when none runs, the processes cannot
// be listed, or the match cannot be opened ("err:%d" is logged then). The caller closes it.
HANDLE findMonitorProcess(const char* exeName);
