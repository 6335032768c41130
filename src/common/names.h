#pragma once

#include <cstddef>

// The service's name, for every service-manager call and as its display name. Writable
// because the dispatch table takes a pointer to non-const characters.
extern char serviceName[];

// The service's registry key, where what outlives one process of the service is kept.
constexpr const char* kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\QeltWatch";

constexpr const char* kMonitorFileName = "qelt-monitor.exe";
constexpr const char* kInstallerFileName = "hotfixs.exe";
constexpr const char* kLogFileName = "QeltService.log";

// Narrow paths live in buffers of MAX_PATH bytes, terminator included.
constexpr std::size_t kPathBufferSize = 260;
constexpr std::size_t kMaxPathChars = kPathBufferSize - 1;

// The version, as the executable's version resource gives it.
constexpr const char* kVersion = QELT_VERSION_STRING;
