#include "service/service_state.h"

SERVICE_STATUS serviceStatus = {};
SERVICE_STATUS_HANDLE serviceStatusHandle = nullptr;
std::atomic<int> bExit{0};

static_assert(std::atomic<int>::is_always_lock_free, "bExit must be a plain lock-free load and store");

void initServiceStatus()
{
    serviceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    serviceStatus.dwCurrentState = SERVICE_STOPPED;
    serviceStatus.dwControlsAccepted = SERVICE_ACCEPT_STOP;
    serviceStatus.dwWin32ExitCode = 0;
    serviceStatus.dwServiceSpecificExitCode = 0;
    serviceStatus.dwCheckPoint = 0;
    serviceStatus.dwWaitHint = 0;
    serviceStatusHandle = nullptr;
}

void reportServiceStatus()
{
    SetServiceStatus(serviceStatusHandle, &serviceStatus);
}
