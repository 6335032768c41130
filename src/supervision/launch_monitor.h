#pragma once

#include <windows.h>

#include <string>

// Starts the companion hidden through the shell, with no parameters and no working directory
// of its own. On success `process` holds its handle (it may be null when the shell started no
// new process); on failure returns false with the system's error code. Never shows a dialog.
bool launchMonitor(const std::string& monitorPath, HANDLE& process, unsigned long& error);
