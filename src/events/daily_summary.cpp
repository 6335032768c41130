#include "events/daily_summary.h"

#include <cstdio>

SummaryStep summaryStep(std::int64_t periodStart, std::int64_t now)
{
    if (periodStart == 0 || now < periodStart) {
        return SummaryStep::Begin;
    }
    return now - periodStart >= kSummaryPeriodSeconds ? SummaryStep::Report : SummaryStep::Wait;
}

std::uint32_t summaryWaitMs(std::int64_t periodStart, std::int64_t now, std::uint32_t longestMs)
{
    std::int64_t seconds = kSummaryPeriodSeconds;
    if (summaryStep(periodStart, now) != SummaryStep::Begin) {
        seconds = periodStart + kSummaryPeriodSeconds - now;
    }
    if (seconds <= 0) {
        return 0;
    }
    return seconds >= longestMs / 1000 ? longestMs : static_cast<std::uint32_t>(seconds * 1000);
}

std::string utcText(std::int64_t unixSeconds)
{
    // Days since 1970-01-01 to a civil date (Howard Hinnant's algorithm), without the C
    // library's time zone or locale.
    std::int64_t days = unixSeconds / 86400;
    std::int64_t seconds = unixSeconds % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[48];
    const int length = std::snprintf(
        text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld UTC", static_cast<long long>(year),
        static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(seconds / 3600),
        static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return length > 0 ? std::string(text) : std::string();
}
