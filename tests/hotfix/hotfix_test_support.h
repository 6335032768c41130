#pragma once

#include <string>
#include <vector>

// Helpers for the Windows unit tests: scratch directories, files written byte for byte, and
// the messages of the service log beside the test executable.

// A fresh directory under the temporary directory, named after `name` and this process, with
// everything in it removed when the object goes.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& name);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void makeDirectories(const std::string& path);
bool writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
bool pathExists(const std::string& path);

// The message of each log line in `content`, oldest first. A piece that is not a whole line
// (local stamp, TAB, tag, blank, message, CR LF) appears as "<bad line> " and its bytes.
std::vector<std::string> logMessagesIn(const std::string& content);

// Deletes the service log, so that a test sees only its own lines.
void clearServiceLog();

// The messages of the service log, oldest first.
std::vector<std::string> serviceLogMessages();
