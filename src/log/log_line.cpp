#include "log/log_line.h"

#include <cstdio>

namespace {
constexpr const char* kTag = "[QeltService]:";
constexpr const char* kUnplacedStamp = "[clock out of range]";
}  // namespace

std::string formatStamp(const std::tm* localTime)
{
    if (localTime == nullptr) {
        return kUnplacedStamp;
    }
    char stamp[64] = {};
    if (std::strftime(stamp, sizeof stamp, "[%Y.%m.%d %X %A]", localTime) == 0) {
        return kUnplacedStamp;
    }
    return stamp;
}

std::string composeLogLine(const std::string& stamp, const std::string& message)
{
    std::string line;
    line.reserve(stamp.size() + message.size() + 24);
    line += stamp;
    line += '\t';
    line += kTag;
    line += ' ';
    for (const char byte : message) {
        if (byte == '\n') {
            line += '\r';
        }
        line += byte;
    }
    line += "\r\n";
    return line;
}

std::string formatLogMessage(const char* format, std::va_list arguments)
{
    char text[kMaxFormattedChars + 1] = {};
    const int written = std::vsnprintf(text, sizeof text, format, arguments);
    if (written < 0) {
        return {};
    }
    return text;
}
