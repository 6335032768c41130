#pragma once

#include <ctime>
#include <optional>
#include <string>

// QeltService.log beside the executable; empty when the executable's path cannot be read,
// names no directory, or the log path would not fit a MAX_PATH buffer.
std::optional<std::string> logFilePath();

// Where the log is written: logFilePath, or, where the system's code page cannot hold the program
// directory's name (readModulePath), QeltService.log beside the executable by its UTF-16 path, so
// that the line saying so still reaches the log in its place and never a folder of a look-alike
// name.
std::optional<std::wstring> logFileLocation();

// The one byte that writers of the log take turns on, far past any end the log can reach.
constexpr unsigned long long kLogTurnOffset = 0x7FFFFFFFFFFFFFFEull;

// Appends `line` with one write through a handle that can only append, after taking a turn
// with writers in other threads and processes, so that their lines do not overwrite each
// other. In its turn it first begins the log anew when it has grown past the cap, so that only
// lines that were over the cap when it was measured go. A line that cannot be written is lost
// without a trace, as every failure of the log writer.
void appendToLogFile(const std::wstring& path, const std::string& line);

// The stamp of `moment` in local time, or the stamp for an unplaced clock when the run-time's
// conversion refuses it (before 1970, after 3000).
std::string localStamp(std::time_t moment);
