// Reference for the idle and memory benchmarks: the least a service can be that keeps a
// companion. Run by the service manager as the service QeltBenchRef: the dispatcher on the
// main thread, and a service main that reports running, starts the companion beside the
// executable the way the service does, and waits on its handle. A stop request reports the
// service stopped, which ends the dispatcher and the process.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

char serviceName[] = "QeltBenchRef";
SERVICE_STATUS_HANDLE statusHandle = nullptr;
SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, SERVICE_ACCEPT_STOP, 0, 0, 0, 0};

void WINAPI handleControl(DWORD control)
{
    if (control == SERVICE_CONTROL_STOP) {
        status.dwCurrentState = SERVICE_STOPPED;
        SetServiceStatus(statusHandle, &status);
    }
}

void WINAPI serviceMain(DWORD, LPSTR*)
{
    statusHandle = RegisterServiceCtrlHandlerA(serviceName, handleControl);
    if (statusHandle == nullptr) {
        return;
    }
    SetServiceStatus(statusHandle, &status);

    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string companion(path, length);
    companion = companion.substr(0, companion.find_last_of('\\') + 1) + "qelt-monitor.exe";
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    request.lpFile = companion.c_str();
    request.nShow = SW_HIDE;
    if (ShellExecuteExA(&request) && request.hProcess != nullptr) {
        WaitForSingleObject(request.hProcess, INFINITE);
        CloseHandle(request.hProcess);
    }
    status.dwCurrentState = SERVICE_STOPPED;
    SetServiceStatus(statusHandle, &status);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SERVICE_TABLE_ENTRYA table[] = {{serviceName, serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
