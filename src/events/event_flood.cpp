#include "events/event_flood.h"

#include <algorithm>
#include <cstdint>

namespace {

bool heldBack(std::int64_t reportedAt, std::int64_t now)
{
    return reportedAt != 0 && now >= reportedAt && now - reportedAt < kRepeatHoldSeconds;
}

// Records that a report would let through anyway say nothing, and records stamped in the future
// (the clock went back) would outrank every new one; the oldest go first when there are too many.
void prune(FloodState& state, std::int64_t now)
{
    auto& records = state.records;
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [now](const FloodRecord& record) {
                                     return record.reportedAt > now ||
                                            (record.held == 0 && !heldBack(record.reportedAt, now));
                                 }),
                  records.end());
    if (records.size() > kMaxHeldEvents) {
        std::sort(records.begin(), records.end(),
                  [](const FloodRecord& a, const FloodRecord& b) { return a.reportedAt > b.reportedAt; });
        records.resize(kMaxHeldEvents);
    }
}

}  // namespace

std::uint64_t eventKey(std::uint32_t eventId, const std::vector<std::string>& strings)
{
    // FNV-1a over the id and each string with its terminator, so that no two lists of strings
    // read alike.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    const auto add = [&hash](unsigned char byte) { hash = (hash ^ byte) * 0x100000001b3ull; };
    for (int shift = 0; shift < 32; shift += 8) {
        add(static_cast<unsigned char>(eventId >> shift));
    }
    for (const std::string& text : strings) {
        for (const char byte : text) {
            add(static_cast<unsigned char>(byte));
        }
        add(0);
    }
    return hash;
}

std::uint32_t admitEvent(FloodState& state, std::uint64_t key, std::int64_t now)
{
    auto record = std::find_if(state.records.begin(), state.records.end(),
                               [key](const FloodRecord& candidate) { return candidate.key == key; });
    if (record != state.records.end() && heldBack(record->reportedAt, now)) {
        ++record->held;
        return 0;
    }
    const std::uint32_t standsFor = record != state.records.end() ? record->held + 1 : 1;
    if (record != state.records.end()) {
        state.records.erase(record);
    }
    state.records.push_back({key, now, 0});
    prune(state, now);
    return standsFor;
}

std::uint32_t admitCompanionEnd(FloodState& state, std::int64_t now, std::int64_t& minutes)
{
    auto& ends = state.ends;
    ends.push_back(now);
    if (heldBack(state.endsReportedAt, now)) {
        return 0;
    }
    const auto inWindow = [now](std::int64_t end) { return end <= now && now - end < kEndsWindowSeconds; };
    const auto recent = static_cast<std::size_t>(std::count_if(ends.begin(), ends.end(), inWindow));
    if (recent < kEndsToReport) {
        // Not yet, or calm again: only the last window's ends count towards the next report.
        state.endsReportedAt = 0;
        ends.erase(std::remove_if(ends.begin(), ends.end(), [&](std::int64_t end) { return !inWindow(end); }),
                   ends.end());
        return 0;
    }
    // The first report stands for the last window's ends, a later one for all since the last.
    const bool first = state.endsReportedAt == 0;
    const std::int64_t since =
        first ? *std::find_if(ends.begin(), ends.end(), inWindow) : state.endsReportedAt;
    const auto count = static_cast<std::uint32_t>(first ? recent : ends.size());
    minutes = std::max<std::int64_t>(1, (now - since + 59) / 60);
    ends.clear();
    state.endsReportedAt = now;
    return count;
}

std::string repeatNote(std::uint32_t standsFor)
{
    if (standsFor <= 1) {
        return {};
    }
    return " It stands for " + std::to_string(standsFor) + " events like it since the last report.";
}
