#pragma once

#include <windows.h>

#include <string>

#include "trust/process_rules.h"

// True when `process`, opened with PROCESS_QUERY_LIMITED_INFORMATION, runs the program file at
// `imagePath` and is run by an account the service trusts (mayBeOurProcess). Its token is judged
// before its image path is compared with `imagePath` or resolved, and an image on another host is
// never looked up. False when anything of it cannot be read.
bool runsOurProgram(HANDLE process, const std::string& imagePath);

// Who runs `process` (a handle with PROCESS_QUERY_LIMITED_INFORMATION), read from its token: the
// account and whether Administrators is enabled; the image path is left to the caller. Empty when
// the token cannot be read.
ProcessFacts ownerFactsOf(HANDLE process);
