// Feeds arbitrary moments and message bytes through the log-line formatting and checks the
// shape every reader of the log relies on: one stamp, the tag, the message bytes with each
// line feed stored as CR LF, and CR LF at the end.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "log/log_line.h"

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        static_cast<void>(std::fprintf(stderr, "broken: %s\n", what));
        std::abort();
    }
}

// A broken-down time as the local-time conversion gives it: every field in its range.
std::tm momentFrom(const std::uint8_t* data)
{
    std::tm t = {};
    t.tm_year = 70 + data[0] * 4 + data[1] % 4;
    t.tm_mon = data[2] % 12;
    t.tm_mday = 1 + data[3] % 31;
    t.tm_hour = data[4] % 24;
    t.tm_min = data[5] % 60;
    t.tm_sec = data[6] % 60;
    t.tm_wday = data[7] % 7;
    return t;
}

std::string formatted(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::string text = formatLogMessage(format, arguments);
    va_end(arguments);
    return text;
}

void checkLine(const std::string& stamp, const std::string& message)
{
    const std::string line = composeLogLine(stamp, message);
    const std::string head = stamp + "\t[QeltService]: ";
    require(line.compare(0, head.size(), head) == 0, "line begins with stamp and tag");
    require(line.size() >= head.size() + 2 && line.compare(line.size() - 2, 2, "\r\n") == 0,
            "line ends with CR LF");

    // Dropping the one CR that stands before each line feed must give the message back.
    const std::string body = line.substr(head.size(), line.size() - head.size() - 2);
    std::string restored;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n') {
            require(!restored.empty() && restored.back() == '\r', "line feed stored as CR LF");
            restored.back() = '\n';
            continue;
        }
        restored += body[i];
    }
    require(restored == message, "message bytes kept, only CR added before each line feed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8) {
        return 0;
    }
    const std::tm moment = momentFrom(data);
    const std::string stamp = formatStamp(&moment);
    require(stamp.size() >= 28 && stamp.size() <= 31, "stamp is 28 to 31 characters");
    require(stamp.front() == '[' && stamp.back() == ']', "stamp is bracketed");

    const std::string message(reinterpret_cast<const char*>(data + 8), size - 8);
    checkLine(stamp, message);
    checkLine(formatStamp(nullptr), message);

    const std::string text = formatted("%s", message.c_str());
    const std::size_t untilNul = std::strlen(message.c_str());
    require(text.size() == std::min<std::size_t>(untilNul, kMaxFormattedChars), "format cut at 1023");
    require(message.compare(0, text.size(), text) == 0, "formatted text is the message's start");
    return 0;
}
