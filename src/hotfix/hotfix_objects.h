#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "common/win_handle.h"

// Every object of the hotfix is opened without following a link, checked through the handle and
// held, sharing reading only, until it has been used: the directory and the installer until the
// installer's process exists, the descriptor until then or until the clean-up deletes it through
// the same handle. A held object cannot be written, renamed or deleted, and its final path is the
// path the step uses, so that path names the object that was checked for as long as it is held;
// what lies above the hotfix directory (the install root and its parents) is checked before each
// use, since a folder someone else may rename could be put back with other contents.

// Writes why the hotfix object at `path` is not used ("hotfix not trusted: PATH REASON") and
// reports it.
void refuseHotfix(const std::string& path, const std::string& reason);

// Why the held object at `path` may not be used: it is not the plain object at that path, or
// someone other than the trusted accounts could have changed it. Empty when it may.
std::optional<std::string> refusalOf(HANDLE object, const std::string& path);

// Opens the object at `path` (with GENERIC_READ and `extraAccess`) and holds it if it may be used;
// otherwise writes why and returns an invalid handle. Where the caller asks for `absent`, an
// object that is not there is left to it to report.
ScopedHandle openTrustedObject(const std::string& path, DWORD extraAccess = 0, bool* absent = nullptr);

// The same for the hotfix directory, which is also refused while someone else could rename a
// folder above it. `absent` tells whether there is none.
ScopedHandle openTrustedDirectory(const std::string& path, bool& absent);
