#include "supervision/supervise_monitor.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_support.h"
#include "service/service_state.h"

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

    const std::string noProcess = "qelt-monitor start gave no process to wait on";
    EXPECT_EQ(serviceLogMessages(),
              (std::vector<std::string>{"getHotfixVersion failed!", noProcess, "getHotfixVersion failed!",
                                        noProcess, "Qelt-watch Exit!"}));
    ASSERT_EQ(launchTicks.size(), 2u);
    // The one-second pause, less the tick's granularity; without it the next launch follows
    // within milliseconds.
    EXPECT_GE(launchTicks[1] - launchTicks[0], 900u);
}
