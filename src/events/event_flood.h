#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What keeps a repeating failure from flooding the Event Log: the same event with the same
// strings is reported at most once an hour, the next report saying how many it stands for, and a
// companion that keeps ending is reported once it has ended ten times within ten minutes, then at
// most once an hour while it goes on. Times are seconds of the wall clock, passed in; the state
// is kept as text where the service's next process finds it, since after a failed launch the
// service ends and is started again every few seconds.

constexpr std::int64_t kRepeatHoldSeconds = 3600;
constexpr std::size_t kEndsToReport = 10;
constexpr std::int64_t kEndsWindowSeconds = 600;
// The events whose state is kept: one a kind is the rule, so this bounds what a few hundred
// different strings could make it hold.
constexpr std::size_t kMaxHeldEvents = 64;

struct FloodRecord {
    std::uint64_t key = 0;
    std::int64_t reportedAt = 0;
    // Held back since that report.
    std::uint32_t held = 0;
};

struct FloodState {
    std::vector<FloodRecord> records;
    // The companion's ends since the last report of them, and that report's time (0: none yet).
    std::vector<std::int64_t> ends;
    std::int64_t endsReportedAt = 0;
};

// The key of an event: its id and strings.
std::uint64_t eventKey(std::uint32_t eventId, const std::vector<std::string>& strings);

// Whether the event with `key` is reported at `now`: 0 when it is held back, otherwise how many it
// stands for (itself and those held back since its last report). A clock that went back since
// that report lets it through.
std::uint32_t admitEvent(FloodState& state, std::uint64_t key, std::int64_t now);

// Counts an end of the companion at `now`. When it is to be reported: how many ends the report
// stands for, with `minutes` the time they took; otherwise 0.
std::uint32_t admitCompanionEnd(FloodState& state, std::int64_t now, std::int64_t& minutes);

// The last insertion string of every event: empty, or how many like it the report stands for.
std::string repeatNote(std::uint32_t standsFor);
