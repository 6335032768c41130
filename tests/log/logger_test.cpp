#include "log/logger.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>

#include "log/log_file.h"

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Every line as the writer stores it: stamp, TAB, tag, blank, message, CR LF.
const std::regex kLine(
    R"(\[\d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d (Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday)\]\t\[QeltService\]: ([^\r\n]*)\r\n)");

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = logFilePath().value_or("");
        ASSERT_FALSE(path_.empty());
        DeleteFileA(path_.c_str());
    }
    void TearDown() override { DeleteFileA(path_.c_str()); }

    std::string path_;
};

}  // namespace

TEST_F(LoggerTest, FirstLineCreatesTheFileBesideTheExecutable)
{
    EXPECT_NE(path_.find("\\QeltService.log"), std::string::npos);
    Logger::getInstance()->write("QeltWatch start!");

    const std::string content = readAll(path_);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(content, match, kLine)) << content;
    EXPECT_EQ(match[2], "QeltWatch start!");
}

TEST_F(LoggerTest, MessageIsWrittenVerbatimAndFormatsAreFormatted)
{
    Logger::getInstance()->write("%s%n");
    Logger::getInstance()->writeFormat("OpenSCManager failed (%d)", 5);

    const std::string content = readAll(path_);
    std::sregex_iterator lines(content.begin(), content.end(), kLine);
    ASSERT_EQ(std::distance(lines, std::sregex_iterator()), 2);
    EXPECT_EQ((*lines)[2], "%s%n");
    EXPECT_EQ((*++lines)[2], "OpenSCManager failed (5)");
}

TEST_F(LoggerTest, FileOfExactly2048BytesIsKeptAndAppendedTo)
{
    const std::string old(2048, 'x');
    writeAll(path_, old);
    Logger::getInstance()->write("kept");

    const std::string content = readAll(path_);
    ASSERT_GT(content.size(), old.size());
    EXPECT_EQ(content.substr(0, old.size()), old);
    EXPECT_TRUE(std::regex_match(content.substr(old.size()), kLine));
}

TEST_F(LoggerTest, FileOver2048BytesIsBegunAnew)
{
    writeAll(path_, std::string(2049, 'x'));
    Logger::getInstance()->write("fresh");

    const std::string content = readAll(path_);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(content, match, kLine)) << content;
    EXPECT_EQ(match[2], "fresh");
}

TEST_F(LoggerTest, FileNeverHoldsMoreThanTheCapPlusOneLine)
{
    const std::string message(100, 'm');
    for (int i = 0; i < 60; ++i) {
        Logger::getInstance()->write(message);
        const std::string content = readAll(path_);
        ASSERT_LE(content.size(), 2048u + 31 + 18 + message.size() + 2);
    }
}

TEST_F(LoggerTest, LineIsLostQuietlyWhileAnotherProgramDeniesWriting)
{
    HANDLE holder = CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Logger::getInstance()->write("lost");
    CloseHandle(holder);
    EXPECT_EQ(readAll(path_), "");

    Logger::getInstance()->write("after");
    EXPECT_TRUE(std::regex_match(readAll(path_), kLine));
}

TEST_F(LoggerTest, LinesFromTwoThreadsAtOnceStayWhole)
{
    auto writer = [](char letter) {
        const std::string message(40, letter);
        for (int i = 0; i < 300; ++i) {
            Logger::getInstance()->write(message);
        }
    };
    std::thread first(writer, 'a');
    std::thread second(writer, 'b');
    first.join();
    second.join();

    const std::string content = readAll(path_);
    const std::regex wholeFile(R"((\[[^\]]+\]\t\[QeltService\]: (a{40}|b{40})\r\n)+)");
    EXPECT_TRUE(std::regex_match(content, wholeFile)) << content;
}

TEST(LocalStamp, ClockOutsideTheConversionStillGivesAStamp)
{
    EXPECT_EQ(localStamp(0), "[1970.01.01 00:00:00 Thursday]");  // the tests run with TZ=UTC
    EXPECT_EQ(localStamp(-1), "[clock out of range]");
    EXPECT_EQ(localStamp(static_cast<std::time_t>(40000000000LL)), "[clock out of range]");
}
