#include "events/event_report.h"

#include <windows.h>

#include <ctime>

#include "common/names.h"
#include "events/event_flood.h"
#include "events/flood_text.h"

namespace {

// Where the flood rule's state outlives the process: the service's own key, which goes with the
// service. A process that finds no service registered keeps it to itself.
constexpr const char* kFloodValue = "EventFlood";

// Both the main thread and the service thread report. A slim lock of the system's own: it cannot
// fail, and it does not pull the C++ run-time's threads into the executable.
SRWLOCK floodLock = SRWLOCK_INIT;

class FloodTurn {
public:
    FloodTurn() { AcquireSRWLockExclusive(&floodLock); }
    ~FloodTurn() { ReleaseSRWLockExclusive(&floodLock); }
    FloodTurn(const FloodTurn&) = delete;
    FloodTurn& operator=(const FloodTurn&) = delete;
};

// Never deregistered: the handle is the process's for as long as it reports. One that could not
// be opened (the Event Log service not reachable at that moment) is tried again on a later
// report, at most once a minute. Called in the flood turn only.
HANDLE eventSource()
{
    constexpr ULONGLONG kRetryMs = ULONGLONG{60} * 1000;
    static HANDLE source = nullptr;
    static bool tried = false;
    static ULONGLONG triedAt = 0;
    if (source == nullptr && (!tried || GetTickCount64() - triedAt >= kRetryMs)) {
        source = RegisterEventSourceA(nullptr, serviceName);
        tried = true;
        triedAt = GetTickCount64();
    }
    return source;
}

std::string readFloodText()
{
    char text[8192] = {};
    DWORD size = sizeof text - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kServiceKey, kFloodValue, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return text;
}

void writeFloodText(const std::string& text)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, kFloodValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

FloodState& floodState()
{
    static FloodState state = loadFlood(readFloodText(), std::time(nullptr));
    return state;
}

// The level is the severity the message table gives the id.
WORD levelOf(unsigned long eventId)
{
    switch (eventId >> 30) {
    case 3:
        return EVENTLOG_ERROR_TYPE;
    case 2:
        return EVENTLOG_WARNING_TYPE;
    default:
        return EVENTLOG_INFORMATION_TYPE;
    }
}

void report(unsigned long eventId, const std::vector<std::string>& strings)
{
    std::vector<const char*> pointers;
    pointers.reserve(strings.size());
    for (const std::string& text : strings) {
        pointers.push_back(text.c_str());
    }
    ReportEventA(eventSource(), levelOf(eventId), 0, eventId, nullptr, static_cast<WORD>(pointers.size()), 0,
                 pointers.data(), nullptr);
}

}  // namespace

// Reported first, then kept: a failure in between gives a duplicate, never a loss.
void reportEvent(unsigned long eventId, std::vector<std::string> strings)
{
    const FloodTurn turn;
    FloodState& state = floodState();
    const std::uint32_t standsFor = admitEvent(state, eventKey(eventId, strings), std::time(nullptr));
    if (standsFor != 0) {
        strings.push_back(repeatNote(standsFor));
        report(eventId, strings);
    }
    writeFloodText(saveFlood(state));
}

void reportCompanionEnd(const std::string& monitorPath, unsigned long exitCode)
{
    const FloodTurn turn;
    FloodState& state = floodState();
    const std::int64_t reportedBefore = state.endsReportedAt;
    std::int64_t minutes = 0;
    const std::uint32_t ends = admitCompanionEnd(state, std::time(nullptr), minutes);
    if (ends != 0) {
        report(EVENT_COMPANION_KEEPS_ENDING,
               {monitorPath, std::to_string(ends), std::to_string(minutes), std::to_string(exitCode), ""});
    }
    if (state.endsReportedAt != reportedBefore) {
        writeFloodText(saveFlood(state));
    }
}
