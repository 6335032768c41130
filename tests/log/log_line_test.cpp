#include "log/log_line.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <ctime>
#include <string>

namespace {

std::string format(const char* text, ...)
{
    std::va_list arguments;
    va_start(arguments, text);
    std::string result = formatLogMessage(text, arguments);
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
    EXPECT_EQ(format("%s", exact.c_str()), exact);
    EXPECT_EQ(format("x%s", exact.c_str()), "x" + exact.substr(1));
    EXPECT_EQ(format("ab%cde", 0), "ab");
}
