#pragma once

#include <windows.h>

// Starts `file` hidden through the shell, with `parameters` (null for none), the default verb
// and no working directory of its own. On success `process` holds the new process's handle,
// which the caller closes; it is null when the shell started no new process. On failure
// returns false with the system's error code. Never shows a dialog (no error box, no zone
// security warning), and never opens a directory (ERROR_BAD_EXE_FORMAT).
bool launchHidden(const char* file, const char* parameters, HANDLE& process, unsigned long& error);
