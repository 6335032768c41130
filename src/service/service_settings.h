#pragma once

#include <windows.h>

#include <string>

// The one sentence the Services console and `sc qdescription QeltWatch` show.
constexpr const char* kServiceDescription =
    "Keeps the companion program qelt-monitor.exe running and applies a pending hotfix before each launch.";

// Completes the registration of the service just created (`service`, all access) for the
// executable at `modulePath`: its description, the manager's recovery (restart after 5 s, 30 s,
// then 60 s for every later failure, the count reset after a day), and the event source with its
// messages in the executable. A setting that fails is reported as an event, never logged: the
// registration keeps its one log line.
void completeRegistration(SC_HANDLE service, const std::string& modulePath);
