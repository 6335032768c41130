#include "service/install_service.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "common/module_path.h"
#include "common/names.h"
#include "common/win_handle.h"
#include "events/event_report.h"
#include "log/logger.h"
#include "service/service_settings.h"
#include "service/service_state.h"
#include "service/service_stop.h"

namespace {

SC_HANDLE openServiceManager()
{
    return OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
}

bool serviceIsRegistered()
{
    ScopedScHandle manager(openServiceManager());
    if (!manager.valid()) {
        return false;
    }
    ScopedScHandle service(OpenServiceA(manager.get(), serviceName, SERVICE_QUERY_CONFIG));
    return service.valid();
}

// Quoted, so that a path with blanks ("C:\Program Files\...") can only name this executable.
std::string quotedBinaryPath(const std::string& modulePath)
{
    return "\"" + modulePath + "\"";
}

// A failed manager call: its log line and its event.
void callFailed(const char* format, const char* call, DWORD error)
{
    Logger::getInstance()->writeFormat(format, static_cast<int>(error));
    reportEvent(EVENT_SERVICE_CALL_FAILED, {call, std::to_string(error)});
}

}  // namespace

// Each error code is read right after the call that failed, before any other call: the
// logger's creation resets it (the run-time's one-time set-up), and a close may too.
bool installWatchService()
{
    if (serviceIsRegistered()) {
        Logger::getInstance()->write("QeltWatch already installed!");
        return true;
    }

    ScopedScHandle manager(openServiceManager());
    if (!manager.valid()) {
        const DWORD openError = GetLastError();
        callFailed("OpenSCManager failed (%d)", "OpenSCManager", openError);
        return false;
    }

    std::string modulePath;
    unsigned long error = 0;
    if (!readModulePath(modulePath, error)) {
        manager.reset();
        Logger::getInstance()->writeFormat("GetModuleFileName failed (%d)", static_cast<int>(error));
        reportEvent(EVENT_PATH_UNREADABLE, {std::to_string(error)});
        return false;
    }

    static const char kNoDependencies[2] = {'\0', '\0'};
    const std::string binaryPath = quotedBinaryPath(modulePath);
    ScopedScHandle service(CreateServiceA(manager.get(), serviceName, serviceName, SERVICE_ALL_ACCESS,
                                          SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                          binaryPath.c_str(), nullptr, nullptr, kNoDependencies, nullptr,
                                          nullptr));
    if (!service.valid()) {
        const DWORD createError = GetLastError();
        manager.reset();
        callFailed("CreateService failed (%d)", "CreateService", createError);
        return false;
    }
    completeRegistration(service.get(), modulePath);
    service.reset();
    manager.reset();
    Logger::getInstance()->write("QltWatch install success!");
    reportEvent(EVENT_SERVICE_REGISTERED, {binaryPath});
    return true;
}

// A stop that reached another process of the service ends this one too, once it has run as
// the service: it is not started again. A start by hand never ran it, and starts the service.
void startWatchService()
{
    if (bExit.load() != 0 || (serviceStatusHandle != nullptr && serviceStopRequested())) {
        Logger::getInstance()->write("QeltWatch Exit");
        std::exit(0);
    }
    Logger::getInstance()->write("QeltWatch start!");

    ScopedScHandle manager(openServiceManager());
    if (!manager.valid()) {
        const DWORD openError = GetLastError();
        callFailed("OpenSCManager failed (%d)", "OpenSCManager", openError);
        return;
    }
    ScopedScHandle service(OpenServiceA(manager.get(), serviceName, SERVICE_ALL_ACCESS));
    if (!service.valid()) {
        const DWORD openError = GetLastError();
        callFailed("OpenService failed (%d)", "OpenService", openError);
        return;
    }
    const BOOL started = StartServiceA(service.get(), 0, nullptr);
    const DWORD error = started ? ERROR_SUCCESS : GetLastError();
    service.reset();
    manager.reset();
    // Already running is what the start asked for: a start by hand while the service runs is
    // no failure an administrator must act on.
    if (!started && error == ERROR_SERVICE_ALREADY_RUNNING) {
        Logger::getInstance()->writeFormat("StartService failed (%d)", static_cast<int>(error));
        return;
    }
    if (!started) {
        callFailed("StartService failed (%d)", "StartService", error);
        return;
    }
    Logger::getInstance()->write("StartService success!");
}
