#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Calls `visit` with the id of each running process whose executable file name is exactly
// `exeName`, letter case included, in the order the system lists them, until `visit` returns
// false. Does nothing when the processes cannot be listed. The name alone says nothing of who
// started the process or from where: see processImageIs.
void forEachProcessNamed(const char* exeName, const std::function<bool(unsigned long processId)>& visit);

// True when `process`, a handle with PROCESS_QUERY_LIMITED_INFORMATION, runs the program file at
// `imagePath` (samePath); false also when its image cannot be read.
bool processImageIs(HANDLE process, const std::string& imagePath);
