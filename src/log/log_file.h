#pragma once

#include <ctime>
#include <optional>
#include <string>

// QeltService.log beside the executable; empty when the executable's path cannot be read,
// names no directory, or the log path would not fit a MAX_PATH buffer.
std::optional<std::string> logFilePath();

// Deletes the log when it has grown past the cap. A file that cannot be measured or deleted
// (held open by another writer) is left for a later line.
void capLogFile(const std::string& path);

// Appends `line` with one write through a handle that can only append, after taking a turn
// with writers in other processes, so their lines do not overwrite each other. Returns false
// when the line was lost.
bool appendToLogFile(const std::string& path, const std::string& line);

// The stamp of `moment` in local time, or the stamp for an unplaced clock when the run-time's
// conversion refuses it (before 1970, after 3000).
std::string localStamp(std::time_t moment);
