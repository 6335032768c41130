#include "service/service_main.h"

#include <atomic>
#include <string>

#include "common/module_path.h"
#include "common/names.h"
#include "common/program_path.h"
#include "events/event_report.h"
#include "events/event_source.h"
#include "log/logger.h"
#include "service/service_state.h"
#include "service/service_stop.h"
#include "supervision/supervise_monitor.h"
#include "trust/module_path_check.h"

namespace {

std::atomic<bool> badRequestWritten{false};

// The version and program directory of the service that starts; the manager records the start
// itself, but not what started. A stale event source is set right first, so that the start's
// event reads with this executable's texts.
void reportStart()
{
    std::string modulePath;
    unsigned long error = 0;
    if (!readModulePath(modulePath, error)) {
        return;
    }
    if (eventSourceIsStale(modulePath)) {
        const long sourceError = registerEventSource(modulePath);
        Logger::getInstance()->writeFormat("event source set to this executable (%d)",
                                           static_cast<int>(sourceError));
    }
    cutLastComponent(modulePath);
    reportEvent(EVENT_SERVICE_STARTED, {kVersion, modulePath});
}

}  // namespace

void WINAPI watchServiceMain(DWORD, LPSTR*)
{
    Logger::getInstance()->write("QeltWatch start!");
    openServiceStop();
    serviceStatus.dwCurrentState = SERVICE_START_PENDING;
    serviceStatus.dwControlsAccepted = SERVICE_ACCEPT_STOP;

    serviceStatusHandle = RegisterServiceCtrlHandlerA(serviceName, watchCtrlHandler);
    if (serviceStatusHandle == nullptr) {
        const DWORD error = GetLastError();
        Logger::getInstance()->write("Handler not installed");
        reportEvent(EVENT_SERVICE_CALL_FAILED, {"RegisterServiceCtrlHandler", std::to_string(error)});
        return;
    }
    reportServiceStatus();

    serviceStatus.dwWin32ExitCode = 0;
    serviceStatus.dwCheckPoint = 0;
    serviceStatus.dwWaitHint = 0;
    serviceStatus.dwCurrentState = SERVICE_RUNNING;
    reportServiceStatus();
    // After the first status: nothing that can wait comes before it.
    reportStart();

    // A path the code page changed would name another folder's companion and hotfix. The service
    // stops with the error, and does not have itself started again: nothing changes that before
    // the system restarts with another code page or the service is installed elsewhere.
    if (modulePathHoldsInCodePage()) {
        superviseMonitor();
    } else {
        serviceStatus.dwWin32ExitCode = ERROR_NO_UNICODE_TRANSLATION;
        bExit.store(1);
    }

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
        requestServiceStop();
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
        // Any interactive user may send user-defined codes: written once, they cannot push the
        // log's earlier lines out.
        if (!badRequestWritten.exchange(true)) {
            Logger::getInstance()->write("Bad service request");
        }
        break;
    }
}
