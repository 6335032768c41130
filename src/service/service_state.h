#pragma once

#include <windows.h>

#include <atomic>

// State the service host shares between the main thread (dispatcher and control handler) and
// the service thread (service main and supervision loop). No lock guards it:
// - the status handle is written once, by the service thread, before the first report; the
//   handler uses it only on a stop, which the manager sends only to a running service;
// - the handler writes only dwCurrentState, and only SERVICE_STOPPED, the same value the
//   service thread writes last; the service thread's other writes precede the RUNNING report;
// - bExit is set by the handler on a stop, and by the service thread only when it stops for good
//   before it supervises anything; it is never cleared, and every test of it loads the current
//   value.
extern SERVICE_STATUS serviceStatus;
extern SERVICE_STATUS_HANDLE serviceStatusHandle;
extern std::atomic<int> bExit;

// Gives the status record the values it holds before the service is ever reported.
void initServiceStatus();

// Reports the whole status record; the result is deliberately not looked at.
void reportServiceStatus();
