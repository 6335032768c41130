#include "hotfix/run_and_wait.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "hotfix/hotfix_test_support.h"

namespace {

using Messages = std::vector<std::string>;

// Runs `call` on a thread of its own and gives up waiting after `limit`, so that a call that
// hangs fails the test instead of stopping the suite. The call keeps its own copies of
// everything it uses, since a call that hangs outlives the test.
template <class Call>
std::optional<int> resultWithin(std::chrono::seconds limit, Call call)
{
    auto result = std::make_shared<std::promise<int>>();
    std::future<int> finished = result->get_future();
    std::thread([result, call]() { result->set_value(call()); }).detach();
    if (finished.wait_for(limit) != std::future_status::ready) {
        return std::nullopt;
    }
    return finished.get();
}

class RunAndWaitTest : public ::testing::Test {
protected:
    void SetUp() override { clearServiceLog(); }
    void TearDown() override { clearServiceLog(); }

    ScratchDirectory scratch_{"qelt-run"};
};

}  // namespace

TEST_F(RunAndWaitTest, ProgramThatFailsCountsAsStarted)
{
    EXPECT_NE(runAndWait("cmd", "/c exit 3"), 0);
    EXPECT_EQ(serviceLogMessages(), Messages{});
}

TEST_F(RunAndWaitTest, ReturnsOnlyAfterTheProgramHasEnded)
{
    const std::string marker = scratch_.path() + "\\ended.txt";
    // ping's second echo comes a second after the first: the marker is written that much later.
    const std::string parameters = "/c ping -n 2 127.0.0.1 >nul & echo ended> \"" + marker + "\"";
    EXPECT_NE(runAndWait("cmd", parameters.c_str()), 0);
    EXPECT_EQ(readBytes(marker), "ended\r\n");
}

TEST_F(RunAndWaitTest, MissingProgramFailsAtOnceWithItsParameters)
{
    const std::string file = scratch_.path() + "\\absent\\hotfixs.exe";
    const std::optional<int> result = resultWithin(
        std::chrono::seconds(20), [file]() { return runAndWait(file.c_str(), "\"C:\\x\" 2.0 doinstall"); });
    ASSERT_TRUE(result.has_value()) << "the start of a missing program did not return";
    EXPECT_EQ(*result, 0);
    EXPECT_EQ(serviceLogMessages(), Messages{"delete param :\"C:\\x\" 2.0 doinstall failed!"});
}

TEST_F(RunAndWaitTest, DirectoryIsNeverOpenedAndFailsAtOnce)
{
    // The shell would open it in a file manager whose process never ends.
    const std::string directory = scratch_.path() + "\\hotfixs.exe";
    makeDirectories(directory);
    const std::optional<int> result = resultWithin(std::chrono::seconds(20), [directory]() {
        return runAndWait(directory.c_str(), "\"C:\\x\" 2.0 doinstall");
    });
    ASSERT_TRUE(result.has_value()) << "the start of a directory did not return";
    EXPECT_EQ(*result, 0);
    EXPECT_EQ(serviceLogMessages(), Messages{"delete param :\"C:\\x\" 2.0 doinstall failed!"});
}
