#pragma once

// The pace of the service's self-restart. After a failed launch the service ends and has itself
// started again; the failures in a row are counted where the next process finds them (the
// service's registry key, beside the flood rule's state), and each new process waits
// restartDelayMs of that count before it launches. Anything that ends the service so that it is
// started again (a launch, a refused start) paces itself the same way:
//
//     if (!waitRestartPace()) return;       // a stop came during the pause
//     if (!launched) { recordFailedStart(); return; }
//     recordGoodStart();

// Waits the pause the stored count asks for, answering a stop at once (waitOrStop), once per
// process: a later call returns at once. Writes one line when it pauses. False when a stop came
// meanwhile. Called on the service thread only.
bool waitRestartPace();

// One more failure in a row, kept for the next process.
void recordFailedStart();

// The start succeeded: the count goes back to 0. Costs nothing when it is 0 already.
void recordGoodStart();
