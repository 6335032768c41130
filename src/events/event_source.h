#pragma once

#include <string>

// Registers the event source QeltWatch in the Application log, its messages in the executable at
// `modulePath` (HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\QeltWatch, values
// EventMessageFile and TypesSupported), replacing what an earlier registration left. Returns the
// system's error code, 0 on success.
long registerEventSource(const std::string& modulePath);
