#include "events/event_flood.h"
#include "events/flood_text.h"

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
        // Where the state read back differs: a record from the future is dropped with its count.
        std::uint32_t readBack = UINT32_MAX;
    } rows[] = {
        {a, 1000, 1},     {a, 1001, 0},    {a, 4599, 0}, {b, 4599, 1},
        {split, 4599, 1}, {a, 4600, 3},     // an hour after its report, standing for the two held back
        {a, 4601, 0},     {a, 3000, 2, 1},  // the clock went back: nothing is held back for an hour or more
    };
    for (const bool reloaded : {false, true}) {
        FloodState state;
        for (const auto& row : rows) {
            SCOPED_TRACE(std::to_string(row.now) + (reloaded ? " reloaded" : ""));
            if (reloaded) {
                state = loadFlood(saveFlood(state), row.now);
            }
            EXPECT_EQ(admitEvent(state, row.key, row.now),
                      reloaded && row.readBack != UINT32_MAX ? row.readBack : row.standsFor);
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
    FloodState next = loadFlood(saveFlood(state), start + 7220);
    for (std::int64_t now = start + 7220; now < start + 7300; now += 2) {
        EXPECT_EQ(admitCompanionEnd(next, now, minutes), 0u) << now;
    }
}

// A clock that goes back neither silences a companion that keeps ending nor reports every end:
// its ends count anew, and the tenth in the new time is reported.
TEST(EventFlood, CompanionEndsAfterTheClockWentBack)
{
    FloodState state;
    std::int64_t minutes = 0;
    std::vector<std::int64_t> reported;
    for (const std::int64_t from : {10000, 5000}) {
        for (std::int64_t now = from; now <= from + 40; now += 2) {
            if (const std::uint32_t ends = admitCompanionEnd(state, now, minutes)) {
                reported.insert(reported.end(), {now, ends, minutes});
            }
        }
    }
    EXPECT_EQ(reported, (std::vector<std::int64_t>{10018, 10, 1, 5018, 10, 1}));
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
    EXPECT_TRUE(
        loadFlood("event zz\nends x\nevent 1f 7\nevent 1f 7 +3\nevent 1f -1 -3", 100).records.empty());
}

// Records stamped years ahead, written while the clock was wrong, are dropped when read, and can
// never keep a new record out: otherwise they outrank every new one when the list is pruned, and
// every event is reported.
TEST(EventFlood, RecordsFromTheFutureAreDropped)
{
    const std::int64_t now = 1700000000;
    std::string text = "ends " + std::to_string(now + 1) + "\n";
    for (std::uint64_t key = 1; key <= kMaxHeldEvents; ++key) {
        text += "event " + std::to_string(key) + " " + std::to_string(now + 300000000) + " 5\n";
    }
    for (const bool read : {true, false}) {
        FloodState state = read ? loadFlood(text, now) : loadFlood(text, now + 300000000);
        EXPECT_EQ(state.records.size(), read ? 0u : kMaxHeldEvents);
        const std::uint64_t key = eventKey(10, {"C:\\bin\\qelt-monitor.exe", "2"});
        EXPECT_EQ(admitEvent(state, key, now), 1u);
        EXPECT_EQ(admitEvent(state, key, now + 60), 0u) << (read ? "read" : "in the process");
    }
    EXPECT_EQ(loadFlood(text, now).endsReportedAt, 0);
}
