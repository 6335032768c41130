#pragma once

#include <cstdint>
#include <string>

// Once a day the service reports a summary: how often the companion ended, its last exit code,
// how many hotfix installers ran, and since when the service has run. It is also the heartbeat a
// collector alerts on when it stops coming. The day is counted from the start of the period,
// kept where the next process of the service finds it, so that restarts do not put it off. Times
// are seconds of the wall clock, passed in.

constexpr std::int64_t kSummaryPeriodSeconds = std::int64_t{24} * 3600;

enum class SummaryStep {
    Begin,   // no period yet, or the clock went back before its start: one begins now
    Wait,    // not yet
    Report,  // a day has passed: report, and begin the next period now
};

SummaryStep summaryStep(std::int64_t periodStart, std::int64_t now);

// How long a wait may last before the summary is due: 0 when it is due, a whole period when
// none has begun; never more than `longestMs`.
std::uint32_t summaryWaitMs(std::int64_t periodStart, std::int64_t now, std::uint32_t longestMs);

// "2026-12-08 14:24:32 UTC": a time the summary names, the same in every locale.
std::string utcText(std::int64_t unixSeconds);
