// The package's custom actions that take the service down and check its registration
// (packaging/QeltWatch.wxs; install_root.cpp prepares the install root). Both run deferred, as
// LocalSystem; the program directory comes as CustomActionData. Every step is written to the
// installer's log.
//
// RemoveWatchService runs before the installer removes or replaces files: at uninstall, repair,
// at an upgrade (in the older package), and at every install, so that the package's
// registration replaces any other. It
//  1. stops the service and waits for its process, which ends about a second after it has
//     reported stopped;
//  2. deletes the registration;
//  3. removes the event source, which QeltWatch.exe writes anew when it registers the service,
//     naming itself;
//  4. ends every process started from the program directory, the companion among them: a
//     stop leaves the companion running by design, and a file in use would leave the
//     installation waiting for a reboot. Only processes that the service would take for its own
//     are looked at that closely: run by LocalSystem or an elevated administrator, from a local
//     volume; no path of anyone else's process is resolved, so that none on another host makes
//     the machine sign in there.
// It fails the installation only when the manager cannot be opened or the registration stays.
//
// CheckWatchService runs after QeltWatch.exe has registered itself: it fails the installation
// when the service is not registered with the quoted path of that program directory's
// QeltWatch.exe (the executable writes why to QeltService.log).
#include <windows.h>
#include <msiquery.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "common/names.h"
#include "common/win_handle.h"
#include "msi_support.h"
#include "trust/process_identity.h"
#include "trust/token_facts.h"

namespace {

// How long the service's process may take to end once asked to stop; then it is ended.
constexpr ULONGLONG kStopLimitMs = 30000;
constexpr DWORD kEndWaitMs = 5000;

bool queryStatus(SC_HANDLE service, SERVICE_STATUS_PROCESS& status)
{
    DWORD needed = 0;
    return QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                sizeof status, &needed) != 0;
}

// Asks for a stop until the service reports stopped, holding its process from the moment it
// has one, then waits for that process; past the limit the process is ended.
void stopAndWait(MSIHANDLE install, SC_HANDLE service)
{
    const ULONGLONG deadline = GetTickCount64() + kStopLimitMs;
    ScopedHandle process;
    SERVICE_STATUS_PROCESS status = {};
    while (queryStatus(service, status) && status.dwCurrentState != SERVICE_STOPPED &&
           GetTickCount64() < deadline) {
        if (!process.valid() && status.dwProcessId != 0) {
            process.reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, status.dwProcessId));
        }
        SERVICE_STATUS ignored = {};
        ControlService(service, SERVICE_CONTROL_STOP, &ignored);
        Sleep(100);
    }
    if (!process.valid()) {
        return;
    }
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    if (WaitForSingleObject(process.get(), left) == WAIT_OBJECT_0) {
        note(install, "the service has stopped and its process has ended");
        return;
    }
    TerminateProcess(process.get(), ERROR_SERVICE_REQUEST_TIMEOUT);
    WaitForSingleObject(process.get(), kEndWaitMs);
    note(install, "the service's process did not end within " + std::to_string(kStopLimitMs / 1000) +
                      " s; it was ended");
}

// False when the manager could not be opened or the registration could not be deleted.
bool removeRegistration(MSIHANDLE install)
{
    ScopedScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.valid()) {
        const DWORD error = GetLastError();
        note(install, "the service manager cannot be opened, error " + std::to_string(error));
        return false;
    }
    ScopedScHandle service(
        OpenServiceA(manager.get(), serviceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service.valid()) {
        const DWORD error = GetLastError();
        note(install, "no service to remove, error " + std::to_string(error));
        return error == ERROR_SERVICE_DOES_NOT_EXIST;
    }
    stopAndWait(install, service.get());
    const DWORD error = DeleteService(service.get()) ? ERROR_SUCCESS : GetLastError();
    if (error != ERROR_SUCCESS && error != ERROR_SERVICE_MARKED_FOR_DELETE) {
        note(install, "the service cannot be deleted, error " + std::to_string(error));
        return false;
    }
    note(install, "the service is deleted");
    return true;
}

void removeEventSource(MSIHANDLE install)
{
    const LONG error = RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                                     "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\QeltWatch");
    note(install, error == ERROR_SUCCESS ? "the event source is removed"
                  : error == ERROR_FILE_NOT_FOUND
                      ? "no event source to remove"
                      : "the event source cannot be removed, error " + std::to_string(error));
}

std::string imageOf(HANDLE process)
{
    std::vector<wchar_t> image(32768);
    DWORD size = static_cast<DWORD>(image.size());
    return QueryFullProcessImageNameW(process, 0, image.data(), &size)
               ? utf8Of(std::wstring(image.data(), size))
               : std::string();
}

bool startedFrom(const std::string& directory, HANDLE process)
{
    static const std::string ownAccountText = ownAccount();
    ProcessFacts facts = ownerFactsOf(process);
    facts.imagePath = imageOf(process);
    if (!mayBeOurProcess(facts, ownAccountText)) {
        return false;
    }
    const std::string path = longPath(facts.imagePath);
    return path.size() > directory.size() && samePathText(path.substr(0, directory.size()), directory) &&
           path.find('\\', directory.size()) == std::string::npos;
}

void endProgramsIn(MSIHANDLE install, const std::string& directory)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (directory.empty() || !snapshot.valid()) {
        return;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE,
                                         FALSE, entry.th32ProcessID));
        if (!process.valid() || !startedFrom(directory, process.get())) {
            continue;
        }
        const bool ended = TerminateProcess(process.get(), ERROR_PROCESS_ABORTED) &&
                           WaitForSingleObject(process.get(), kEndWaitMs) == WAIT_OBJECT_0;
        note(install, std::string(ended ? "ended " : "could not end ") + utf8Of(entry.szExeFile) +
                          " (process " + std::to_string(entry.th32ProcessID) + ")");
    }
}

std::string registeredBinaryPath(SC_HANDLE manager)
{
    ScopedScHandle service(OpenServiceA(manager, serviceName, SERVICE_QUERY_CONFIG));
    alignas(QUERY_SERVICE_CONFIGW) BYTE buffer[8192];
    auto& config = *reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer);
    DWORD needed = 0;
    if (!service.valid() || !QueryServiceConfigW(service.get(), &config, sizeof buffer, &needed)) {
        return "";
    }
    return config.lpBinaryPathName != nullptr ? utf8Of(config.lpBinaryPathName) : "";
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall RemoveWatchService(MSIHANDLE install)
{
    const bool removed = removeRegistration(install);
    removeEventSource(install);
    endProgramsIn(install, actionDirectory(install));
    return removed ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall CheckWatchService(MSIHANDLE install)
{
    const std::string expected = actionDirectory(install) + "QeltWatch.exe";
    ScopedScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    const std::string registered = manager.valid() ? registeredBinaryPath(manager.get()) : "";
    const bool quoted = registered.size() > 2 && registered.front() == '"' && registered.back() == '"';
    if (!quoted || !samePathText(longPath(registered.substr(1, registered.size() - 2)), expected)) {
        note(install, "the service is not registered as \"" + expected + "\" (registered: '" + registered +
                          "'); see QeltService.log in the program directory");
        return ERROR_INSTALL_FAILURE;
    }
    note(install, "the service is registered as " + registered);
    return ERROR_SUCCESS;
}
