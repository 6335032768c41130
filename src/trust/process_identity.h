#pragma once

#include <windows.h>

#include <string>

// True when `process`, opened with PROCESS_QUERY_LIMITED_INFORMATION, runs the program file at
// `imagePath` and is run by an account the service trusts (mayBeOurProcess). Its token is judged
// before its image path is compared with `imagePath` or resolved, and an image on another host is
// never looked up. False when anything of it cannot be read.
bool runsOurProgram(HANDLE process, const std::string& imagePath);
