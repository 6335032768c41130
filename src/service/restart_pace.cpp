#include "service/restart_pace.h"

#include <windows.h>

#include "common/names.h"
#include "log/logger.h"
#include "service/restart_delay.h"
#include "service/service_stop.h"

namespace {

constexpr const char* kFailuresValue = "FailedLaunches";

// Read once per process: only a failure or the first good start after failures writes it.
DWORD& failures()
{
    static DWORD count = [] {
        DWORD stored = 0;
        DWORD size = sizeof stored;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, kServiceKey, kFailuresValue, RRF_RT_REG_DWORD, nullptr, &stored,
                         &size) != ERROR_SUCCESS) {
            return DWORD{0};
        }
        return stored;
    }();
    return count;
}

// A process that finds no service registered keeps the count to itself.
void storeFailures(DWORD count)
{
    failures() = count;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, kFailuresValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    RegCloseKey(key);
}

}  // namespace

bool waitRestartPace()
{
    static bool paused = false;
    const DWORD delay = restartDelayMs(failures());
    if (delay == 0 || paused) {
        return true;
    }
    paused = true;
    Logger::getInstance()->writeFormat("launch paused %d s after %d failed", static_cast<int>(delay / 1000),
                                       static_cast<int>(failures()));
    return waitOrStop(nullptr, delay) != WaitEnd::Stopped;
}

void recordFailedStart()
{
    if (failures() < MAXDWORD) {
        storeFailures(failures() + 1);
    }
}

void recordGoodStart()
{
    if (failures() != 0) {
        storeFailures(0);
    }
}
