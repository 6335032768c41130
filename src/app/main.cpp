#include <windows.h>

#include "common/names.h"
#include "log/logger.h"
#include "service/install_service.h"
#include "service/service_main.h"
#include "service/service_state.h"

// The same sequence whether an administrator or the service manager started the process:
// which role it plays follows only from whether the dispatcher call connects.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    initServiceStatus();
    SERVICE_TABLE_ENTRYA dispatchTable[] = {{serviceName, watchServiceMain}, {nullptr, nullptr}};

    installWatchService();
    Sleep(2000);
    if (StartServiceCtrlDispatcherA(dispatchTable)) {
        Logger::getInstance()->write("StartServiceCtrlDispatcher success!");
    } else {
        Logger::getInstance()->write("StartServiceCtrlDispatcher failed!");
    }
    Sleep(1000);
    startWatchService();
    return 0;
}
