#pragma once

#include <windows.h>

// How the loop starts the companion: launchHidden's contract (common/launch_hidden.h).
using LaunchStep = bool (*)(const char* file, const char* parameters, HANDLE& process, unsigned long& error);

// Keeps the companion running until a stop is requested: waits for a running companion,
// pauses one second after it ends, and before every launch gives the hotfix step its turn.
// Returns when bExit is found set between passes, or at once when a launch fails.
void superviseMonitor();

// The same loop with the launch step given, so that a test can stand in for the shell where
// Wine's shell cannot show a case (a launch that gives no process).
void superviseMonitorWith(LaunchStep launch);
