#include "events/daily_summary.h"

#include <gtest/gtest.h>

#include <cstdint>

// The day is counted from the kept start of the period; a clock that went back before it begins
// a new one rather than silencing the summary until the clock catches up.
TEST(DailySummary, ReportedOnceADayFromTheKeptStart)
{
    constexpr std::uint32_t kLongest = 30 * 60 * 1000;
    const std::int64_t start = 1700000000;
    const struct {
        std::int64_t periodStart;
        std::int64_t now;
        SummaryStep step;
        std::uint32_t waitMs;
    } rows[] = {
        {0, start, SummaryStep::Begin, kLongest},
        {start, start, SummaryStep::Wait, kLongest},
        {start, start + kSummaryPeriodSeconds - 60, SummaryStep::Wait, 60000},
        {start, start + kSummaryPeriodSeconds - 1, SummaryStep::Wait, 1000},
        {start, start + kSummaryPeriodSeconds, SummaryStep::Report, 0},
        {start, start + 3 * kSummaryPeriodSeconds, SummaryStep::Report, 0},
        {start, start - 1, SummaryStep::Begin, kLongest},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.now - start);
        EXPECT_EQ(summaryStep(row.periodStart, row.now), row.step);
        EXPECT_EQ(summaryWaitMs(row.periodStart, row.now, kLongest), row.waitMs);
    }
}

TEST(DailySummary, TimesInUtc)
{
    const struct {
        std::int64_t seconds;
        const char* text;
    } rows[] = {
        {0, "1970-01-01 00:00:00 UTC"},          {951782400, "2000-02-29 00:00:00 UTC"},
        {1796739872, "2026-12-08 14:24:32 UTC"}, {4107542399, "2100-02-28 23:59:59 UTC"},
        {-1, "1969-12-31 23:59:59 UTC"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(utcText(row.seconds), row.text);
    }
}
