#include "events/event_flood.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

bool heldBack(std::int64_t reportedAt, std::int64_t now)
{
    return reportedAt != 0 && now >= reportedAt && now - reportedAt < kRepeatHoldSeconds;
}

// Records that a report would let through anyway say nothing; the oldest go first when there
// are too many.
void prune(FloodState& state, std::int64_t now)
{
    auto& records = state.records;
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [now](const FloodRecord& record) {
                                     return record.held == 0 && !heldBack(record.reportedAt, now);
                                 }),
                  records.end());
    if (records.size() > kMaxHeldEvents) {
        std::sort(records.begin(), records.end(),
                  [](const FloodRecord& a, const FloodRecord& b) { return a.reportedAt > b.reportedAt; });
        records.resize(kMaxHeldEvents);
    }
}

std::string hexadecimal(std::uint64_t value)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdef"[value % 16]);
        value /= 16;
    } while (value != 0);
    return digits;
}

std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    for (std::string::size_type at = line.find_first_not_of(' '); at != std::string::npos;
         at = line.find_first_not_of(' ', at)) {
        const std::string::size_type after = std::min(line.find(' ', at), line.size());
        fields.push_back(line.substr(at, after - at));
        at = after;
    }
    return fields;
}

// A whole field of digits only, in range.
bool unsignedNumber(const std::string& field, int base, std::uint64_t& value)
{
    const char* digits = base == 16 ? "0123456789abcdef" : "0123456789";
    if (field.empty() || field.size() > 16 || field.find_first_not_of(digits) != std::string::npos) {
        return false;
    }
    value = std::strtoull(field.c_str(), nullptr, base);
    return true;
}

bool decimal(const std::string& field, std::int64_t& value)
{
    std::uint64_t magnitude = 0;
    const bool negative = !field.empty() && field[0] == '-';
    if (!unsignedNumber(negative ? field.substr(1) : field, 10, magnitude)) {
        return false;
    }
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
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

std::string saveFlood(const FloodState& state)
{
    std::string text = "ends " + std::to_string(state.endsReportedAt) + "\n";
    for (const FloodRecord& record : state.records) {
        text += "event " + hexadecimal(record.key) + " " + std::to_string(record.reportedAt) + " " +
                std::to_string(record.held) + "\n";
    }
    return text;
}

FloodState loadFlood(const std::string& text)
{
    FloodState state;
    std::string::size_type start = 0;
    while (start < text.size()) {
        const std::string::size_type end = std::min(text.find('\n', start), text.size());
        const std::vector<std::string> fields = fieldsOf(text.substr(start, end - start));
        start = end + 1;
        std::int64_t reportedAt = 0;
        std::uint64_t key = 0;
        std::uint64_t held = 0;
        if (fields.size() == 2 && fields[0] == "ends" && decimal(fields[1], reportedAt)) {
            state.endsReportedAt = reportedAt;
        } else if (fields.size() == 4 && fields[0] == "event" && unsignedNumber(fields[1], 16, key) &&
                   decimal(fields[2], reportedAt) && unsignedNumber(fields[3], 10, held) &&
                   held <= UINT32_MAX && state.records.size() < kMaxHeldEvents) {
            state.records.push_back({key, reportedAt, static_cast<std::uint32_t>(held)});
        }
    }
    return state;
}
