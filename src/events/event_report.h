#pragma once

#include <string>
#include <vector>

// The event ids, generated from event_messages.mc: EVENT_SERVICE_STARTED and the others.
#include "event_messages.h"

// Reports the event `eventId`, a message of the executable's own table, to the Application log
// as the source QeltWatch, at the level its id carries, with `strings` as its insertion strings
// and the repeat note after them, unless the flood rule (event_flood.h) holds it back. The
// source is opened once per process. Like the log writer's, a failure to report is silent:
// nothing is retried or waited for.
void reportEvent(unsigned long eventId, std::vector<std::string> strings);

// Counts an end of the companion at `monitorPath` with `exitCode`, and reports
// EVENT_COMPANION_KEEPS_ENDING, with that last exit code, when the flood rule says that it keeps
// ending.
void reportCompanionEnd(const std::string& monitorPath, unsigned long exitCode);
