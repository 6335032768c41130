// The floor beneath the waiting reference: opens a running process by its id (given on the
// command line) and waits on its handle; it imports kernel32 alone. Ends when that process
// ends. Exit code 0, 1 when the process cannot be opened, 2 for a bad command line.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc != 2) {
        return 2;
    }
    const DWORD pid = std::strtoul(__argv[1], nullptr, 10);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) {
        return 1;
    }
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    return 0;
}
