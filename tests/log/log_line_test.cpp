#include "log/log_line.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <ctime>
#include <string>

using namespace std::string_literals;

namespace {

std::tm moment(int year, int month, int day, int hour, int minute, int second, int weekday)
{
    std::tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_wday = weekday;
    return t;
}

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
    const std::tm wednesday = moment(2015, 7, 8, 9, 5, 3, 3);
    const std::tm friday = moment(2015, 7, 10, 0, 0, 0, 5);
    const std::tm lateSunday = moment(1999, 12, 31, 23, 59, 59, 0);
    const struct {
        const std::tm* when;
        std::string message;
        std::string line;
    } cases[] = {
        {&wednesday, "QeltWatch start!",
         "[2015.07.08 09:05:03 Wednesday]\t[QeltService]: QeltWatch start!\r\n"},
        {&friday, "", "[2015.07.10 00:00:00 Friday]\t[QeltService]: \r\n"},
        {&lateSunday, "one\ntwo", "[1999.12.31 23:59:59 Sunday]\t[QeltService]: one\r\ntwo\r\n"},
        {&friday, "%s%n", "[2015.07.10 00:00:00 Friday]\t[QeltService]: %s%n\r\n"},
        {&friday, "\xe9t\xe9\0x\xff"s, "[2015.07.10 00:00:00 Friday]\t[QeltService]: \xe9t\xe9\0x\xff\r\n"s},
        {nullptr, "QeltWatch start!", "[clock out of range]\t[QeltService]: QeltWatch start!\r\n"},
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
    EXPECT_EQ(format("%sb", exact.c_str()), exact);
    EXPECT_EQ(format("x%s", std::string(5000, 'c').c_str()), "x" + std::string(1022, 'c'));
    EXPECT_EQ(format("OpenSCManager failed (%d)", 5), "OpenSCManager failed (5)");
    EXPECT_EQ(format("ab%cde", 0), "ab");
}
