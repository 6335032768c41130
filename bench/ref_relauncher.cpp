// Reference for the relaunch benchmark: the least a relauncher can do. It starts the companion
// beside itself exactly as the service does (shell launch, hidden, no parameters), waits for
// its end, pauses 1000 ms and starts it again, for the number of launches given on its
// command line. Exit code 0, or 1 when a launch fails, 2 for a bad command line.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

std::string besideSelf(const char* name)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\') + 1) + name;
}

bool launchAndWait(const std::string& file)
{
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    request.lpFile = file.c_str();
    request.nShow = SW_HIDE;
    if (!ShellExecuteExA(&request)) {
        return false;
    }
    if (request.hProcess != nullptr) {
        WaitForSingleObject(request.hProcess, INFINITE);
        CloseHandle(request.hProcess);
    }
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc != 2) {
        return 2;
    }
    const long launches = std::strtol(__argv[1], nullptr, 10);
    const std::string companion = besideSelf("qelt-monitor.exe");
    for (long i = 0; i < launches; ++i) {
        if (!launchAndWait(companion)) {
            return 1;
        }
        Sleep(1000);
    }
    return 0;
}
