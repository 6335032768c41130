#pragma once

#include <functional>

// Calls `visit` with the id of each running process whose executable file name is `exeName`,
// letter case ignored as Windows compares file names, in the order the system lists them, until
// `visit` returns false. Does nothing when the processes cannot be listed. The name alone says
// nothing of who started the process or from where: see runsOurProgram.
void forEachProcessNamed(const char* exeName, const std::function<bool(unsigned long processId)>& visit);
