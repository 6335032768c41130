#pragma once

#include <string>

// Registers the event source QeltWatch in the Application log, its messages in the executable at
// `modulePath` (HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\QeltWatch, values
// EventMessageFile and TypesSupported), replacing what an earlier registration left. Returns the
// system's error code, 0 on success.
long registerEventSource(const std::string& modulePath);

// Whether the registered source's message file names another executable than the one at
// `modulePath`: a source registered by an older version, or before the executable was moved,
// whose events would read with another executable's texts, or none. False when no source is
// registered: registering one is the registration's work.
bool eventSourceIsStale(const std::string& modulePath);
