#include "log/log_line.h"

#include <gtest/gtest.h>

#include <cstdarg>

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

const std::tm kWednesday = moment(2015, 7, 8, 9, 5, 3, 3);

}  // namespace

TEST(LogLine, WorkedExampleByteForByte)
{
    const std::string line = composeLogLine(formatStamp(&kWednesday), "QeltWatch start!");
    EXPECT_EQ(line, "[2015.07.08 09:05:03 Wednesday]\t[QeltService]: QeltWatch start!\r\n");
    EXPECT_EQ(line.size(), 65u);

    EXPECT_EQ(composeLogLine(formatStamp(&kWednesday), format("OpenSCManager failed (%d)", 5)),
              "[2015.07.08 09:05:03 Wednesday]\t[QeltService]: OpenSCManager failed (5)\r\n");
}

TEST(LogLine, StampLengthFollowsTheWeekday)
{
    const std::tm friday = moment(2015, 7, 10, 0, 0, 0, 5);
    EXPECT_EQ(formatStamp(&friday), "[2015.07.10 00:00:00 Friday]");
    EXPECT_EQ(formatStamp(&friday).size(), 28u);
    EXPECT_EQ(formatStamp(&kWednesday).size(), 31u);

    const std::tm lateSunday = moment(1999, 12, 31, 23, 59, 59, 0);
    EXPECT_EQ(formatStamp(&lateSunday), "[1999.12.31 23:59:59 Sunday]");
}

TEST(LogLine, UnplacedClockStillGivesAWholeLine)
{
    const std::string line = composeLogLine(formatStamp(nullptr), "QeltWatch start!");
    EXPECT_EQ(line, "[clock out of range]\t[QeltService]: QeltWatch start!\r\n");
}

TEST(LogLine, MessageBytesAreKeptExceptLineFeeds)
{
    const std::string stamp = formatStamp(&kWednesday);
    const std::string prefix = stamp + "\t[QeltService]: ";

    EXPECT_EQ(composeLogLine(stamp, ""), prefix + "\r\n");
    EXPECT_EQ(composeLogLine(stamp, "one\ntwo"), prefix + "one\r\ntwo\r\n");
    EXPECT_EQ(composeLogLine(stamp, "%s%n"), prefix + "%s%n\r\n");

    const std::string highAndNul("\xe9t\xe9\0x\xff", 6);
    EXPECT_EQ(composeLogLine(stamp, highAndNul), prefix + highAndNul + "\r\n");
}

TEST(LogLine, FormattedMessageIsCutAfter1023Characters)
{
    const std::string exact(1023, 'a');
    EXPECT_EQ(format("%s", exact.c_str()), exact);

    const std::string over(1024, 'b');
    EXPECT_EQ(format("%s", over.c_str()), over.substr(0, 1023));
    EXPECT_EQ(format("x%s", std::string(5000, 'c').c_str()), "x" + std::string(1022, 'c'));
}

TEST(LogLine, FormattedMessageEndsAtItsFirstNul)
{
    EXPECT_EQ(format("ab%cde", 0), "ab");
    EXPECT_EQ(format("bExit:%d", 1), "bExit:1");
}

TEST(LogLine, CapDeletesOnlyPast2048Bytes)
{
    EXPECT_FALSE(logNeedsCap(0));
    EXPECT_FALSE(logNeedsCap(2048));
    EXPECT_TRUE(logNeedsCap(2049));
}
