#include "events/flood_text.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace {

template <typename Number>
std::string digits(Number value, int base = 10)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value, base);
    return std::string(text, result.ptr);
}

// A whole field and nothing else, in range.
template <typename Number>
bool number(const std::string& field, Number& value, int base = 10)
{
    const char* end = field.data() + field.size();
    const auto result = std::from_chars(field.data(), end, value, base);
    return !field.empty() && result.ec == std::errc() && result.ptr == end;
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

void readLine(const std::vector<std::string>& fields, std::int64_t now, FloodState& state)
{
    std::int64_t reportedAt = 0;
    std::uint64_t key = 0;
    std::uint32_t held = 0;
    if (fields.size() == 2 && fields[0] == "ends" && number(fields[1], reportedAt) && reportedAt <= now) {
        state.endsReportedAt = reportedAt;
    } else if (fields.size() == 4 && fields[0] == "event" && number(fields[1], key, 16) &&
               number(fields[2], reportedAt) && number(fields[3], held) && reportedAt <= now &&
               state.records.size() < kMaxHeldEvents) {
        state.records.push_back({key, reportedAt, held});
    }
}

}  // namespace

std::string saveFlood(const FloodState& state)
{
    std::string text = "ends " + digits(state.endsReportedAt) + "\n";
    for (const FloodRecord& record : state.records) {
        text += "event " + digits(record.key, 16) + " " + digits(record.reportedAt) + " " +
                digits(record.held) + "\n";
    }
    return text;
}

FloodState loadFlood(const std::string& text, std::int64_t now)
{
    FloodState state;
    std::string::size_type start = 0;
    while (start < text.size()) {
        const std::string::size_type end = std::min(text.find('\n', start), text.size());
        readLine(fieldsOf(text.substr(start, end - start)), now, state);
        start = end + 1;
    }
    return state;
}
