#pragma once

#include <windows.h>

// Named objects in the global namespace that every process of this install shares. Creating
// one there takes a privilege that users lack, and the access list given here admits only
// SYSTEM and Administrators, so a user can neither take nor squat them. Each returns the
// object, created or opened, or null with the system's error in `error`.
HANDLE createGlobalMutex(const char* name, unsigned long& error);
HANDLE createGlobalEvent(const char* name, unsigned long& error);
