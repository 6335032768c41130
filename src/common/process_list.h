#pragma once

#include <functional>

// Calls `visit` with the id of each running process whose executable file name is exactly
// `exeName`, letter case included, in the order the system lists them, until `visit` returns
// false. Does nothing when the processes cannot be listed.
void forEachProcessNamed(const char* exeName, const std::function<bool(unsigned long processId)>& visit);
