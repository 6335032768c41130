// Reference for the idle and memory benchmarks: starts the companion beside itself the way the
// service does (so it carries the same shell libraries) and then only waits on its process
// handle. Ends when the companion ends. Exit code 0, or 1 when the launch fails.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string companion(path, length);
    companion = companion.substr(0, companion.find_last_of('\\') + 1) + "qelt-monitor.exe";

    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    request.lpFile = companion.c_str();
    request.nShow = SW_HIDE;
    if (!ShellExecuteExA(&request) || request.hProcess == nullptr) {
        return 1;
    }
    WaitForSingleObject(request.hProcess, INFINITE);
    CloseHandle(request.hProcess);
    return 0;
}
