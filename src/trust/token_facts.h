#pragma once

#include <windows.h>

#include <string>

// A SID in its string form ("S-1-5-18"); empty when it cannot be converted.
std::string sidText(PSID sid);

// The account of `token` (opened with TOKEN_QUERY) as a SID string; empty when it cannot be read.
std::string accountOf(HANDLE token);

// True when `token` has BUILTIN\Administrators enabled: an elevated administrator, or LocalSystem.
// False for a filtered administrator's token, where the group is for deny only, and when the
// groups cannot be read.
bool administratorsEnabledIn(HANDLE token);

// The account this process runs under; empty when it cannot be read.
std::string ownAccount();
