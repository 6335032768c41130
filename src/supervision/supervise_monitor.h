#pragma once

// Keeps the companion running until a stop is requested: waits for a running companion,
// pauses one second after it ends, and before every launch gives the hotfix step its turn.
// Returns when bExit is found set between passes, or at once when a launch fails.
void superviseMonitor();
