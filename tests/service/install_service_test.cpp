#include "service/install_service.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/module_path.h"
#include "common/names.h"
#include "common/program_path.h"
#include "common/win_handle.h"
#include "hotfix/hotfix_test_support.h"

namespace {

using Messages = std::vector<std::string>;

constexpr const char* kDecoyName = "QeltWatchDecoy";
constexpr const char* kHarmlessBinary = "C:\\windows\\system32\\notepad.exe";

// Registers a service that is never started. Returns the manager's error code, 0 on success.
DWORD registerService(SC_HANDLE manager, const char* name, const char* displayName, DWORD startType)
{
    ScopedScHandle service(CreateServiceA(manager, name, displayName, SERVICE_ALL_ACCESS,
                                          SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                          kHarmlessBinary, nullptr, nullptr, nullptr, nullptr, nullptr));
    return service.valid() ? ERROR_SUCCESS : GetLastError();
}

void deleteService(SC_HANDLE manager, const char* name)
{
    ScopedScHandle service(OpenServiceA(manager, name, DELETE));
    if (service.valid()) {
        DeleteService(service.get());
    }
}

// The exit code of `program` beside this executable, or STILL_ACTIVE when it could not be
// started or did not end within a minute.
DWORD exitCodeOf(const std::string& program)
{
    std::string testsPath;
    unsigned long error = 0;
    if (!readModulePath(testsPath, error)) {
        return STILL_ACTIVE;
    }
    const std::string path = siblingPath(testsPath, program).value_or("");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return STILL_ACTIVE;
    }
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.get(), &code);
    }
    return code;
}

// Deletes every service a test may have registered, the watch service included, whether the
// test passed or not.
class InstallServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearServiceLog();
        ASSERT_TRUE(manager_.valid()) << GetLastError();
    }
    void TearDown() override
    {
        if (manager_.valid()) {
            deleteService(manager_.get(), serviceName);
            deleteService(manager_.get(), kDecoyName);
        }
        clearServiceLog();
    }

    ScopedScHandle manager_{OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)};
};

}  // namespace

TEST_F(InstallServiceTest, RefusedRegistrationLogsTheManagersCode)
{
    // Another service that already has the display name makes the manager refuse ours. As at
    // the service's start, the refusal is the first line of a fresh process: only there does
    // the run-time's one-time set-up, run by the logger's creation, reset the error code.
    ASSERT_EQ(registerService(manager_.get(), kDecoyName, serviceName, SERVICE_DEMAND_START), 0u);

    EXPECT_EQ(exitCodeOf("install_probe.exe"), 0u);
    EXPECT_EQ(serviceLogMessages(), Messages{"CreateService failed (1078)"});
}

TEST_F(InstallServiceTest, RefusedStartLogsTheManagersCode)
{
    struct Case {
        bool registeredDisabled;
        std::string outcome;
    };
    const Case cases[] = {
        {false, "OpenService failed (1060)"},
        {true, "StartService failed (1058)"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.outcome);
        clearServiceLog();
        if (each.registeredDisabled) {
            ASSERT_EQ(registerService(manager_.get(), serviceName, serviceName, SERVICE_DISABLED), 0u);
        }
        startWatchService();
        EXPECT_EQ(serviceLogMessages(), (Messages{"QeltWatch start!", each.outcome}));
    }
}
