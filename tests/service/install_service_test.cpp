#include "service/install_service.h"

#include <windows.h>
#include <process.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/names.h"
#include "common/test_support.h"
#include "common/win_handle.h"

namespace {

using Messages = std::vector<std::string>;

constexpr const char* kDecoyName = "QeltWatchDecoy";

// Deletes the services a test registers, the watch service included, whether it passed or not.
class InstallServiceTest : public ::testing::Test {
protected:
    void SetUp() override { clearServiceLog(); }
    void TearDown() override
    {
        for (const char* name : {static_cast<const char*>(serviceName), kDecoyName}) {
            ScopedScHandle service(OpenServiceA(manager_.get(), name, DELETE));
            if (service.valid()) {
                DeleteService(service.get());
            }
        }
    }

    // Registers `name`, displayed as the watch service, never to be started. Returns the
    // manager's error code, 0 on success.
    DWORD registerService(const char* name, DWORD startType)
    {
        ScopedScHandle service(CreateServiceA(manager_.get(), name, serviceName, SERVICE_ALL_ACCESS,
                                              SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                              "C:\\windows\\system32\\notepad.exe", nullptr, nullptr, nullptr,
                                              nullptr, nullptr));
        return service.valid() ? ERROR_SUCCESS : GetLastError();
    }

    ScopedScHandle manager_{OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)};
};

}  // namespace

TEST_F(InstallServiceTest, RefusedRegistrationLogsTheManagersCode)
{
    // Another service that already has the display name makes the manager refuse ours. As at
    // the service's start, the refusal is the first line of a fresh process: only there does
    // the run-time's one-time set-up, run by the logger's creation, reset the error code.
    ASSERT_EQ(registerService(kDecoyName, SERVICE_DEMAND_START), 0u);
    const std::string probe = besideTests("install_probe.exe");
    EXPECT_EQ(_spawnl(_P_WAIT, probe.c_str(), probe.c_str(), nullptr), 0);
    EXPECT_EQ(serviceLogMessages(), Messages{"CreateService failed (1078)"});
}

TEST_F(InstallServiceTest, RefusedStartLogsTheManagersCode)
{
    startWatchService();
    ASSERT_EQ(registerService(serviceName, SERVICE_DISABLED), 0u);
    startWatchService();
    EXPECT_EQ(serviceLogMessages(), (Messages{"QeltWatch start!", "OpenService failed (1060)",
                                              "QeltWatch start!", "StartService failed (1058)"}));
}
