#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/trust_rules.h"

// LocalSystem, BUILTIN\Administrators, NT SERVICE\TrustedInstaller and the account this
// process runs under (last).
std::vector<std::string> trustedAccounts();

// Why someone other than the trusted accounts could change an object with this security
// descriptor, in words naming the accounts: "DOMAIN\name", the name alone where it has no
// domain ("Everyone"), the SID where it cannot be looked up. Empty when it is trusted.
std::optional<std::string> distrustIn(PSECURITY_DESCRIPTOR descriptor);

// The same for the object behind `object`, a handle with READ_CONTROL. Read from the handle,
// never by path, so that what is checked is what is used.
std::optional<std::string> distrustOf(HANDLE object);

// Opens the file or directory at `path` to check and use it, sharing reading only: while the
// handle is held nobody can write, replace, rename or delete it. The caller closes it; invalid
// on failure, with the system's error code.
HANDLE openHeld(const std::string& path);
