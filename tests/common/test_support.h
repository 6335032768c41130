#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win_handle.h"

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

// Makes `link` a symbolic link to `target` (a file or a directory) and tells whether it is there:
// the host's own link, the only kind Wine follows (its CreateSymbolicLink makes nothing), made by
// the host's ln, which Wine runs as it runs any program.
bool makeSymbolicLink(const std::string& link, const std::string& target);

// Removes the symbolic link `link`, never what it leads to. A scratch directory must lose its
// links before it goes: under Wine, std::filesystem::remove_all follows them, and hangs.
bool removeSymbolicLink(const std::string& link);

// Starts the program at `path` with `arguments` (its command line after its own name); the
// process handle, invalid when it could not be started.
ScopedHandle startProgram(const std::string& path, const std::string& arguments = "");

// Waits up to `milliseconds` for `done` to hold, polling; tells whether it did.
template <typename Predicate>
bool waitFor(Predicate done, DWORD milliseconds = 20000)
{
    for (const ULONGLONG deadline = GetTickCount64() + milliseconds; !done(); Sleep(10)) {
        if (GetTickCount64() > deadline) {
            return false;
        }
    }
    return true;
}

// The full path of `name` in the test executable's own directory.
std::string besideTests(const std::string& name);

// The message of each log line in `content`, oldest first. A piece that is not a whole line
// (local stamp, TAB, tag, blank, message, CR LF) appears as "<bad line> " and its bytes.
std::vector<std::string> logMessagesIn(const std::string& content);

// Deletes the service log, so that a test sees only its own lines.
void clearServiceLog();

// The messages of the service log, oldest first.
std::vector<std::string> serviceLogMessages();
