#include "events/event_report.h"

#include <windows.h>

#include <ctime>

#include "common/names.h"
#include "events/event_flood.h"

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

HANDLE eventSource()
{
    // Never deregistered: the handle is the process's for as long as it reports.
    static const HANDLE source = RegisterEventSourceA(nullptr, serviceName);
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
    static FloodState state = loadFlood(readFloodText());
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

void reportEvent(unsigned long eventId, std::vector<std::string> strings)
{
    std::uint32_t standsFor = 0;
    {
        const FloodTurn turn;
        FloodState& state = floodState();
        standsFor = admitEvent(state, eventKey(eventId, strings), std::time(nullptr));
        writeFloodText(saveFlood(state));
    }
    if (standsFor != 0) {
        strings.push_back(repeatNote(standsFor));
        report(eventId, strings);
    }
}

void reportCompanionEnd(const std::string& monitorPath)
{
    std::uint32_t ends = 0;
    std::int64_t minutes = 0;
    {
        const FloodTurn turn;
        FloodState& state = floodState();
        const std::int64_t reportedBefore = state.endsReportedAt;
        ends = admitCompanionEnd(state, std::time(nullptr), minutes);
        if (state.endsReportedAt != reportedBefore) {
            writeFloodText(saveFlood(state));
        }
    }
    if (ends != 0) {
        report(EVENT_COMPANION_KEEPS_ENDING,
               {monitorPath, std::to_string(ends), std::to_string(minutes), ""});
    }
}
