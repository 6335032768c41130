#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "trust/held_object.h"

struct FolderExposure {
    std::string folder;
    // In words, naming the accounts: "owned by X", "can be renamed or re-permissioned by Y", or
    // "cannot be checked (N)".
    std::string reason;
};

// The folders through which someone other than the trusted accounts could put something else at
// `folder`'s path: `folder` itself where its parent lets them delete (and so rename) it, and each
// folder above it, up to the volume's root, that they own or may delete, rename or re-permission
// (or whose parent lets them delete it). Nearest first. A folder that does not exist is none. Each
// is read without following a link, so that a link is judged by its own rights. Being allowed to
// create folders beside them (a volume's root lets every user do that) is no reason. `open` opens
// a folder only to read its security without following a link (openToInspect, or one that takes
// the path in another encoding).
using FolderOpener = HANDLE (*)(const std::string& path);
std::vector<FolderExposure> exposedFolders(const std::string& folder, FolderOpener open = openToInspect);
