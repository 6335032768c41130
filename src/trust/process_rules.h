#pragma once

#include <string>

// Whether a running process that carries the name of one of the service's programs may be that
// program, decided before its image path is compared with the program's file or resolved in any
// way. The name proves nothing: anyone can start a program of that name, or start the genuine
// file (users may read and run it), and a path on another host would make LocalSystem sign in
// there only to compare it.

// What is read of the process: the account of its token as a SID string ("S-1-5-18"), whether
// its token has the Administrators group enabled, and its image path as the system reports it.
// Empty strings when they could not be read.
struct ProcessFacts {
    std::string account;
    bool administratorsEnabled = false;
    std::string imagePath;
};

// True for a path on a local volume: a drive letter, a colon and a backslash, with or without the
// "\\?\" that allows long paths. False for a share ("\\server\share\...", "\\?\UNC\..."), a WebDAV
// path, a device or object path ("\\.\", "\Device\...", "\??\"), and anything relative.
bool isLocalVolumePath(const std::string& path);

// The process may be ours when the service's own account runs it, or an administrator with the
// Administrators group enabled (an installer or the companion started by hand), and its image lies
// on a local volume. What could not be read is not ours.
bool mayBeOurProcess(const ProcessFacts& facts, const std::string& serviceAccount);
