#include "events/summary_report.h"

#include <cstdint>
#include <ctime>
#include <string>

#include "common/names.h"
#include "events/daily_summary.h"
#include "events/event_report.h"

namespace {

constexpr const char* kPeriodValue = "SummaryAt";

struct Counts {
    std::uint32_t ends = 0;
    unsigned long lastExitCode = 0;
    std::uint32_t installers = 0;
};

Counts counts;

std::int64_t& periodStart()
{
    static std::int64_t start = [] {
        std::int64_t stored = 0;
        DWORD size = sizeof stored;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, kServiceKey, kPeriodValue, RRF_RT_REG_QWORD, nullptr, &stored,
                         &size) != ERROR_SUCCESS) {
            return std::int64_t{0};
        }
        return stored;
    }();
    return start;
}

void beginPeriod(std::int64_t now)
{
    periodStart() = now;
    counts = Counts{};
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, kPeriodValue, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&now), sizeof now);
    RegCloseKey(key);
}

// When this process began: the service has run since then.
std::int64_t processStart()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    const std::uint64_t ticks = (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
    // 100 ns ticks since 1601 to seconds since 1970.
    return static_cast<std::int64_t>(ticks / 10000000) - 11644473600LL;
}

}  // namespace

void countCompanionEnd(unsigned long exitCode)
{
    ++counts.ends;
    counts.lastExitCode = exitCode;
}

void countInstallerRun()
{
    ++counts.installers;
}

DWORD summaryWaitLimit(DWORD longestMs)
{
    return summaryWaitMs(periodStart(), std::time(nullptr), longestMs);
}

void reportSummaryIfDue()
{
    const std::int64_t now = std::time(nullptr);
    switch (summaryStep(periodStart(), now)) {
    case SummaryStep::Wait:
        return;
    case SummaryStep::Begin:
        beginPeriod(now);
        return;
    case SummaryStep::Report:
        reportEvent(EVENT_DAILY_SUMMARY, {std::to_string(counts.ends),
                                          counts.ends != 0 ? std::to_string(counts.lastExitCode) : "none",
                                          std::to_string(counts.installers), utcText(processStart())});
        beginPeriod(now);
        return;
    }
}
