#include "supervision/supervise_monitor.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/test_support.h"
#include "service/service_state.h"
#include "supervision/find_monitor_process.h"

namespace {

std::vector<ULONGLONG> launchTicks;

// Succeeds without a process, which Wine's shell never does for a program; asks the loop to
// stop at the second launch.
bool launchWithoutProcess(const char*, const char*, HANDLE& process, unsigned long&)
{
    launchTicks.push_back(GetTickCount64());
    bExit.store(launchTicks.size() == 2 ? 1 : 0);
    process = nullptr;
    return true;
}

}  // namespace

TEST(SuperviseMonitor, LaunchWithoutProcessIsPacedLikeAnEnd)
{
    clearServiceLog();
    superviseMonitorWith(launchWithoutProcess);
    bExit.store(0);

    // The start's warnings name the folders above the build tree, which depend on where it lies.
    std::vector<std::string> messages = serviceLogMessages();
    messages.erase(
        std::remove_if(messages.begin(), messages.end(),
                       [](const std::string& line) { return line.rfind("program not trusted: ", 0) == 0; }),
        messages.end());
    const std::string noProcess = "qelt-monitor start gave no process to wait on";
    EXPECT_EQ(messages,
              (std::vector<std::string>{"getHotfixVersion failed!", noProcess, "getHotfixVersion failed!",
                                        noProcess, "Qelt-watch Exit!"}));
    ASSERT_EQ(launchTicks.size(), 2u);
    // The one-second pause, less the tick's granularity; without it the next launch follows
    // within milliseconds.
    EXPECT_GE(launchTicks[1] - launchTicks[0], 900u);
}

// Only a companion run from the program directory is adopted: one of the same name started
// from elsewhere (listed first here, as it started first) is not.
TEST(SuperviseMonitor, AdoptsOnlyTheCompanionOfItsProgramDirectory)
{
    const ScratchDirectory scratch("qelt-adopt");
    std::vector<ScopedHandle> companions;
    for (const char* directory : {"\\Elsewhere", "\\bin"}) {
        const std::string companion = scratch.path + directory + "\\qelt-monitor.exe";
        CreateDirectoryA((scratch.path + directory).c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(besideTests("fixture_companion.exe").c_str(), companion.c_str(), FALSE));
        companions.push_back(startProgram(companion));
        ASSERT_TRUE(companions.back().valid());
    }
    const ScopedHandle adopted(
        findMonitorProcess("qelt-monitor.exe", scratch.path + "\\bin\\qelt-monitor.exe"));
    EXPECT_EQ(GetProcessId(adopted.get()), GetProcessId(companions.back().get()));
    EXPECT_FALSE(
        ScopedHandle(findMonitorProcess("qelt-monitor.exe", scratch.path + "\\qelt-monitor.exe")).valid());
    for (const ScopedHandle& companion : companions) {
        TerminateProcess(companion.get(), 0);
        WaitForSingleObject(companion.get(), INFINITE);
    }
}
