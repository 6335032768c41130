#include "log/log_line.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <ctime>
#include <string>

namespace {

std::string format(bool utf8, const char* text, ...)
{
    std::va_list arguments;
    va_start(arguments, text);
    std::string result = formatLogMessage(text, arguments, utf8);
    va_end(arguments);
    return result;
}

}  // namespace

TEST(LogLine, StampTabTagBlankMessageCrLf)
{
    const std::time_t moment = 1436346303;
    const std::tm wednesday = *std::gmtime(&moment);
    const struct {
        const std::tm* when;
        std::string message;
        std::string line;
    } cases[] = {
        {&wednesday, "QeltWatch start!",
         "[2015.07.08 09:05:03 Wednesday]\t[QeltService]: QeltWatch start!\r\n"},
        {&wednesday, "one\ntwo", "[2015.07.08 09:05:03 Wednesday]\t[QeltService]: one\r\ntwo\r\n"},
        {nullptr, "", "[clock out of range]\t[QeltService]: \r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(composeLogLine(formatStamp(c.when), c.message), c.line);
    }
}

TEST(LogLine, FormattedMessageEndsAtItsFirstNulOrAfter1023Characters)
{
    const std::string exact(1023, 'a');
    EXPECT_EQ(format(false, "%s", exact.c_str()), exact);
    EXPECT_EQ(format(false, "x%s", exact.c_str()), "x" + exact.substr(1));
    EXPECT_EQ(format(false, "ab%cde", 0), "ab");
}

// A UTF-8 message cut at the limit loses the bytes of a character it would cut in two, and only
// those; in another code page every byte is a character of its own.
TEST(LogLine, CutNeverLeavesHalfAUtf8Character)
{
    const std::string japanese = "\xE6\x97\xA5";  // three bytes, one character
    const std::string pad(1021, 'a');
    EXPECT_EQ(format(true, "%s%s", pad.c_str(), japanese.c_str()), pad);
    EXPECT_EQ(format(false, "%s%s", pad.c_str(), japanese.c_str()), pad + "\xE6\x97");
    EXPECT_EQ(format(true, "%s%s", pad.substr(1).c_str(), japanese.c_str()), pad.substr(1) + japanese);
    EXPECT_EQ(format(true, "%s\xC3\xA9", pad.c_str()), pad + "\xC3\xA9");
    EXPECT_EQ(format(true, "a%s\xC3\xA9", pad.c_str()), "a" + pad);
}
