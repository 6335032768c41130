#pragma once

#include <cstdarg>
#include <cstddef>
#include <ctime>
#include <string>

constexpr long long kLogCapBytes = 2048;
constexpr std::size_t kMaxFormattedChars = 1023;

// "[%Y.%m.%d %X %A]" in the C locale. A moment the clock conversion could not place (null)
// gets a fixed stamp, so the line is still written and still reads as a line.
std::string formatStamp(const std::tm* localTime);

// One line as it is stored: stamp, TAB, "[QeltService]:", a blank, the message bytes (every
// line feed stored as CR LF, as a text-mode write would), then CR LF.
std::string composeLogLine(const std::string& stamp, const std::string& message);

// The size cap: a log file longer than this is begun anew before the next line.
inline bool logNeedsCap(long long fileBytes)
{
    return fileBytes > kLogCapBytes;
}

// printf-style formatting cut after its 1023rd byte, up to the first NUL. Where the text is UTF-8
// (`utf8`), a cut never leaves half a character: its bytes go too.
std::string formatLogMessage(const char* format, std::va_list arguments, bool utf8);

// `text` without the bytes of an unfinished UTF-8 character at its end.
std::string withoutCutCharacter(std::string text);
