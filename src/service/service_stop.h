#pragma once

#include <windows.h>

// A stop that reaches any process of the service ends the supervision in all of them: the
// control handler sets one manual-reset event of the install, which every wait of the service
// thread also waits on. It costs no wake-up while nothing happens.

// Begins the service afresh: an earlier stop no longer counts. The service main calls it once,
// before anything waits.
void openServiceStop();

// Ends the supervision of every process of the service: from the control handler on a stop.
void requestServiceStop();

// Whether a stop has been requested since the service last began.
bool serviceStopRequested();

enum class WaitEnd { Signalled, TimedOut, Stopped };

// Waits at most `timeoutMs` for `object` (null: for the time only), or for a stop. A stop sets
// bExit, so that this process ends rather than has itself started again. An abandoned mutex
// counts as signalled: its owner ended without letting go.
WaitEnd waitOrStop(HANDLE object, DWORD timeoutMs);
