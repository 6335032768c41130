#pragma once

#include <string>
#include <vector>

// Helpers for the Windows unit tests: scratch directories, files written byte for byte, the
// programs built beside the test executable, and the messages of the service log beside it.

// A fresh directory under the temporary directory, named after `name` and this process, with
// everything in it removed when the object goes.
struct ScratchDirectory {
    explicit ScratchDirectory(const std::string& name);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string path;
};

bool writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);

// Gives Everyone full access to the file or directory at `path` (under Wine: the mode's o+w).
bool openToEveryone(const std::string& path);

// The full path of `name` in the test executable's own directory.
std::string besideTests(const std::string& name);

// The message of each log line in `content`, oldest first. A piece that is not a whole line
// (local stamp, TAB, tag, blank, message, CR LF) appears as "<bad line> " and its bytes.
std::vector<std::string> logMessagesIn(const std::string& content);

// Deletes the service log, so that a test sees only its own lines.
void clearServiceLog();

// The messages of the service log, oldest first.
std::vector<std::string> serviceLogMessages();
