#include "events/event_flood.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// The same event with the same strings at most once an hour, the next one saying how many it
// stands for; other strings are another event. Each row runs once in one process and once with
// the state kept and read back between rows, as when the service restarts after a failed launch.
TEST(EventFlood, SameEventOnceAnHourTheNextSayingHowMany)
{
    const std::uint64_t a = eventKey(10, {"C:\\bin\\qelt-monitor.exe", "2"});
    const std::uint64_t b = eventKey(10, {"C:\\bin\\qelt-monitor.exe", "193"});
    const std::uint64_t split = eventKey(10, {"C:\\bin\\qelt-monitor.exe2", ""});
    const struct {
        std::uint64_t key;
        std::int64_t now;
        std::uint32_t standsFor;
    } rows[] = {
        {a, 1000, 1},     {a, 1001, 0}, {a, 4599, 0}, {b, 4599, 1},
        {split, 4599, 1}, {a, 4600, 3},  // an hour after its report, standing for the two held back
        {a, 4601, 0},     {a, 3000, 2},  // the clock went back: nothing is held back for an hour or more
    };
    for (const bool reloaded : {false, true}) {
        FloodState state;
        for (const auto& row : rows) {
            SCOPED_TRACE(std::to_string(row.now) + (reloaded ? " reloaded" : ""));
            if (reloaded) {
                state = loadFlood(saveFlood(state));
            }
            EXPECT_EQ(admitEvent(state, row.key, row.now), row.standsFor);
        }
    }
    EXPECT_EQ(repeatNote(1), "");
    EXPECT_EQ(repeatNote(3), " It stands for 3 events like it since the last report.");
}

// A companion that keeps ending: reported at its tenth end within ten minutes, then at most once
// an hour while it goes on, each report saying how many ends in how many minutes; one that ends
// now and then is never reported.
TEST(EventFlood, CompanionThatKeepsEndingOnceThenHourly)
{
    FloodState state;
    std::int64_t minutes = 0;
    std::vector<std::int64_t> reported;
    for (std::int64_t now = 0; now < 3000; now += 70) {
        ASSERT_EQ(admitCompanionEnd(state, now, minutes), 0u) << now;
    }
    const std::int64_t start = 10000;
    for (std::int64_t now = start; now <= start + 7218; now += 2) {
        const std::uint32_t ends = admitCompanionEnd(state, now, minutes);
        if (ends != 0) {
            reported.push_back(now - start);
            reported.push_back(ends);
            reported.push_back(minutes);
        }
    }
    // The tenth end, 18 s in; an hour later, 1800 ends in 60 minutes; and again.
    EXPECT_EQ(reported, (std::vector<std::int64_t>{18, 10, 1, 3618, 1800, 60, 7218, 1800, 60}));

    // Kept across a restart of the service: the next process does not report again within the hour.
    FloodState next = loadFlood(saveFlood(state));
    for (std::int64_t now = start + 7220; now < start + 7300; now += 2) {
        EXPECT_EQ(admitCompanionEnd(next, now, minutes), 0u) << now;
    }
}

// What is read back keeps no more than the rule needs, and nothing it cannot read.
TEST(EventFlood, KeptStateIsBounded)
{
    FloodState state;
    for (std::uint64_t key = 1; key <= 2 * kMaxHeldEvents; ++key) {
        admitEvent(state, key, 1000 + static_cast<std::int64_t>(key));
        admitEvent(state, key, 1001 + static_cast<std::int64_t>(key));
    }
    EXPECT_EQ(state.records.size(), kMaxHeldEvents);
    // The newest are kept: the last key is still held back.
    EXPECT_EQ(admitEvent(state, 2 * kMaxHeldEvents, 1500), 0u);
    EXPECT_TRUE(loadFlood("event zz\nends x\nevent 1f 7").records.empty());
}
