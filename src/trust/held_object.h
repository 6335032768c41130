#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Opens the file or directory at `path` itself, never what a link there leads to, to check and
// use it: GENERIC_READ and `extraAccess` (DELETE for what is to be deleted through the handle),
// sharing reading only, so that while the handle is held nobody can write, replace, rename or
// delete it. The caller closes it; invalid on failure, with the system's error code.
HANDLE openUnfollowed(const std::string& path, DWORD extraAccess = 0);

// Opens the file or directory at `path` itself, never what a link there leads to, only to read its
// owner and access list (READ_CONTROL): a link is judged by its own rights, since whoever may
// change it decides where it leads. It shares everything, disturbing no one. Invalid on failure,
// with the system's error code.
HANDLE openToInspect(const std::string& path);

// Why the object behind `object` is not simply the file or directory at `path`: "is a link" for a
// reparse point (a junction or a symbolic link, as opened without following it), "leads to X"
// when its final path is another place, "has N names" for a file with more than one (hard
// links: another name may lie in a folder someone else controls), "cannot be checked (N)" when
// that cannot be told. Empty when it is.
std::optional<std::string> identityProblem(HANDLE object, const std::string& path);
