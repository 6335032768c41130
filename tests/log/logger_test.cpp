#include "log/logger.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "common/win_handle.h"
#include "hotfix/hotfix_test_support.h"
#include "log/log_file.h"

namespace {

using Messages = std::vector<std::string>;

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = logFilePath().value_or("");
        ASSERT_FALSE(path_.empty());
        clearServiceLog();
    }
    void TearDown() override { clearServiceLog(); }

    std::string path_;
};

}  // namespace

TEST_F(LoggerTest, FileIsBegunAnewOnlyOnceItHasGrownPastTheCap)
{
    const struct {
        std::size_t oldBytes;
        bool kept;
    } cases[] = {{2048, true}, {2049, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oldBytes);
        const std::string old(c.oldBytes, 'x');
        ASSERT_TRUE(writeBytes(path_, old));
        Logger::getInstance()->write("next");
        const std::string content = readBytes(path_);
        const std::string kept = c.kept ? old : "";
        EXPECT_EQ(content.substr(0, kept.size()), kept);
        EXPECT_EQ(logMessagesIn(content.substr(kept.size())), Messages{"next"});
    }

    // 149 bytes a line: the file never holds more than the cap and one line.
    clearServiceLog();
    for (int i = 0; i < 60; ++i) {
        Logger::getInstance()->write(std::string(100, 'm'));
        ASSERT_LE(readBytes(path_).size(), 2048u + 149u);
    }
}

TEST_F(LoggerTest, MessagesAreFormattedOnlyOnRequest)
{
    Logger::getInstance()->write("%s%n");
    Logger::getInstance()->writeFormat("OpenSCManager failed (%d)", 5);
    EXPECT_EQ(serviceLogMessages(), (Messages{"%s%n", "OpenSCManager failed (5)"}));
}

TEST_F(LoggerTest, LineIsLostQuietlyWhileAnotherProgramDeniesWriting)
{
    {
        const ScopedHandle holder(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        Logger::getInstance()->write("lost");
    }
    Logger::getInstance()->write("after");
    EXPECT_EQ(serviceLogMessages(), Messages{"after"});
}

TEST_F(LoggerTest, LinesFromTwoThreadsAtOnceStayWhole)
{
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

// The stamp is local time; a clock that the conversion refuses still gives a stamp.
TEST(LocalStamp, LocalTimeOrAStampForAnUnplacedClock)
{
    const char* zone = std::getenv("TZ");
    const std::string restore = std::string("TZ=") + (zone != nullptr ? zone : "");
    ASSERT_EQ(_putenv("TZ=IST-5:30"), 0);
    _tzset();
    EXPECT_EQ(localStamp(0), "[1970.01.01 05:30:00 Thursday]");
    EXPECT_EQ(localStamp(-1), "[clock out of range]");
    EXPECT_EQ(localStamp(static_cast<std::time_t>(40000000000LL)), "[clock out of range]");
    _putenv(restore.c_str());
    _tzset();
}
