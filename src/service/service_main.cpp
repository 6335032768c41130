#include "service/service_main.h"

#include "common/names.h"
#include "log/logger.h"
#include "service/service_state.h"
#include "supervision/supervise_monitor.h"

void WINAPI watchServiceMain(DWORD, LPSTR*)
{
    Logger::getInstance()->write("QeltWatch start!");
    serviceStatus.dwCurrentState = SERVICE_START_PENDING;
    serviceStatus.dwControlsAccepted = SERVICE_ACCEPT_STOP;

    serviceStatusHandle = RegisterServiceCtrlHandlerA(serviceName, watchCtrlHandler);
    if (serviceStatusHandle == nullptr) {
        Logger::getInstance()->write("Handler not installed");
        return;
    }
    reportServiceStatus();

    serviceStatus.dwWin32ExitCode = 0;
    serviceStatus.dwCheckPoint = 0;
    serviceStatus.dwWaitHint = 0;
    serviceStatus.dwCurrentState = SERVICE_RUNNING;
    reportServiceStatus();

    superviseMonitor();

    serviceStatus.dwCurrentState = SERVICE_STOPPED;
    reportServiceStatus();
    Logger::getInstance()->write("QeltWatch stopped");
}

void WINAPI watchCtrlHandler(DWORD control)
{
    switch (control) {
    case SERVICE_CONTROL_STOP:
        Logger::getInstance()->write("SERVICE_CONTROL_STOP");
        serviceStatus.dwCurrentState = SERVICE_STOPPED;
        reportServiceStatus();
        bExit.store(1);
        Logger::getInstance()->writeFormat("bExit:%d", bExit.load());
        break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_INTERROGATE:
        break;
    case SERVICE_CONTROL_CONTINUE:
        Logger::getInstance()->write("SERVICE_CONTROL_CONTINUE");
        break;
    case SERVICE_CONTROL_SHUTDOWN:
        Logger::getInstance()->write("SERVICE_CONTROL_SHUTDOWN");
        break;
    default:
        Logger::getInstance()->write("Bad service request");
        break;
    }
}
