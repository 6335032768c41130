#pragma once

#include <windows.h>

#include <string>

// An installer that has run this long keeps the companion down: it is reported, then again every
// time as long (the flood rule holds the event to once an hour). The wait itself has no limit.
constexpr DWORD kStuckProgramMs = 30 * 60 * 1000;

// Waits for the hotfix program `process` (at `path`) to end, or for a stop, which leaves it
// running. Returns false when a stop came first.
bool waitForHotfixProgram(HANDLE process, const std::string& path, DWORD warnEveryMs = kStuckProgramMs);
