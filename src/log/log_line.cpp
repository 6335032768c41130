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

std::string formatLogMessage(const char* format, std::va_list arguments, bool utf8)
{
    char text[kMaxFormattedChars + 1] = {};
    const int written = std::vsnprintf(text, sizeof text, format, arguments);
    if (written < 0) {
        return {};
    }
    const bool cut = static_cast<std::size_t>(written) > kMaxFormattedChars;
    return cut && utf8 ? withoutCutCharacter(text) : std::string(text);
}

std::string withoutCutCharacter(std::string text)
{
    // The last character's first byte: a byte that is not 10xxxxxx, at most three bytes back.
    std::size_t start = text.size();
    while (start > 0 && text.size() - start < 4 &&
           (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) {
        --start;
    }
    if (start == 0) {
        return text;
    }
    const auto lead = static_cast<unsigned char>(text[start - 1]);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (text.size() - (start - 1) < length) {
        text.erase(start - 1);
    }
    return text;
}
