#include "log/logger.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/test_support.h"
#include "common/win_handle.h"
#include "log/log_file.h"

using Messages = std::vector<std::string>;

TEST(Logger, FileIsBegunAnewOnlyOnceItHasGrownPastTheCap)
{
    const std::string path = logFilePath().value_or("");
    const struct {
        std::size_t oldBytes;
        std::size_t keptBytes;
    } cases[] = {{2048, 2048}, {2049, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oldBytes);
        ASSERT_TRUE(writeBytes(path, std::string(c.oldBytes, 'x')));
        Logger::getInstance()->write("next");
        const std::string content = readBytes(path);
        EXPECT_EQ(content.substr(0, c.keptBytes), std::string(c.keptBytes, 'x'));
        EXPECT_EQ(logMessagesIn(content.substr(c.keptBytes)), Messages{"next"});
    }
}

TEST(Logger, MessagesAreFormattedOnlyOnRequest)
{
    clearServiceLog();
    Logger::getInstance()->write("%s%n");
    Logger::getInstance()->writeFormat("OpenSCManager failed (%d)", 5);
    EXPECT_EQ(serviceLogMessages(), (Messages{"%s%n", "OpenSCManager failed (5)"}));
}

TEST(Logger, LineIsLostQuietlyWhileAnotherProgramDeniesWriting)
{
    const std::string path = logFilePath().value_or("");
    {
        const ScopedHandle holder(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        Logger::getInstance()->write("lost");
    }
    Logger::getInstance()->write("after");
    EXPECT_EQ(serviceLogMessages(), Messages{"after"});
}

// While another handle holds the writers' turn, a line neither begins the full log anew nor is
// appended: it waits for the turn (a writer gives up only after some 200 ms), then measures,
// begins anew and appends. The holder shares deletion, as a log viewer may.
TEST(Logger, CapAndAppendWaitForTheTurn)
{
    const std::string path = logFilePath().value_or("");
    const std::string full(2049, 'x');
    ASSERT_TRUE(writeBytes(path, full));
    const ScopedHandle holder(CreateFileA(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    OVERLAPPED turn = {};
    turn.Offset = static_cast<DWORD>(kLogTurnOffset);
    turn.OffsetHigh = static_cast<DWORD>(kLogTurnOffset >> 32);
    ASSERT_TRUE(
        LockFileEx(holder.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &turn));

    std::thread writer([] { Logger::getInstance()->write("in turn"); });
    Sleep(50);
    EXPECT_EQ(readBytes(path), full);
    UnlockFileEx(holder.get(), 0, 1, 0, &turn);
    writer.join();
    EXPECT_EQ(serviceLogMessages(), Messages{"in turn"});
}

TEST(Logger, LinesFromTwoThreadsAtOnceStayWhole)
{
    clearServiceLog();
    auto writer = [](char letter) {
        for (int i = 0; i < 300; ++i) {
            Logger::getInstance()->write(std::string(40, letter));
        }
    };
    std::thread first(writer, 'a');
    std::thread second(writer, 'b');
    first.join();
    second.join();

    // The cap deletes the file now and then: what is left must be whole lines of either writer.
    const Messages messages = serviceLogMessages();
    ASSERT_FALSE(messages.empty());
    for (const std::string& message : messages) {
        ASSERT_TRUE(message == std::string(40, 'a') || message == std::string(40, 'b')) << message;
    }
}

// A clock that the local-time conversion refuses still gives a stamp. (Local time itself is
// shown by the service's own lines in a time zone other than UTC, in the system tests.)
TEST(Logger, ClockOutsideTheConversionStillGivesAStamp)
{
    EXPECT_EQ(localStamp(-1), "[clock out of range]");
}
