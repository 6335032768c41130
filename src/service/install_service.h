#pragma once

// Registers the running executable as the automatically started service QeltWatch unless a
// service of that name exists. Writes exactly one log line on every path. Returns true when
// the service is registered at the end (found or created).
bool installWatchService();

// After the dispatcher has returned: ends the process (exit code 0) when a stop was
// requested, otherwise asks the manager to start the service. Writes every outcome to the log.
void startWatchService();
