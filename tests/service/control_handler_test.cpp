#include "service/service_main.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_support.h"
#include "service/service_state.h"
#include "service/service_stop.h"

// A stop is reported as stopped by the handler itself, before it returns: the manager must not
// be left with a stop pending while the service thread is busy (in the pause after an end of the
// companion, say). It is also recorded in bExit and reaches every wait through the shared stop.
TEST(ControlHandler, StopIsReportedStoppedAtOnce)
{
    clearServiceLog();
    serviceStatus.dwCurrentState = SERVICE_RUNNING;
    watchCtrlHandler(SERVICE_CONTROL_STOP);

    EXPECT_EQ(serviceStatus.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(bExit.load(), 1);
    EXPECT_TRUE(serviceStopRequested());
    EXPECT_EQ(serviceLogMessages(), (std::vector<std::string>{"SERVICE_CONTROL_STOP", "bExit:1"}));

    // What the other tests of this process expect: no stop.
    bExit.store(0);
    openServiceStop();
    initServiceStatus();
}
