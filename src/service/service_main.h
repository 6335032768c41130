#pragma once

#include <windows.h>

// The service's entry, run by the dispatcher on the service thread: registers the control
// handler, reports the service running, supervises the companion until the loop ends, and
// reports the service stopped.
void WINAPI watchServiceMain(DWORD argumentCount, LPSTR* arguments);

// The control handler, run by the dispatcher on the main thread. A stop is reported at once
// and recorded in bExit; the handler never waits for the service thread.
void WINAPI watchCtrlHandler(DWORD control);
