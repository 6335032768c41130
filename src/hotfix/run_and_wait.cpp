#include "hotfix/run_and_wait.h"

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>

#include "common/win_handle.h"
#include "hotfix/hotfix_parameters.h"
#include "log/logger.h"

int runAndWait(const char* file, const char* parameters)
{
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    // Without FLAG_NO_UI a program that is missing or cannot start makes the shell wait on an
    // error dialog that nobody can see from a service, and the service thread never returns.
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    request.lpFile = file;
    request.lpParameters = parameters;
    request.nShow = SW_HIDE;
    const BOOL started = ShellExecuteExA(&request);
    if (!started) {
        Logger::getInstance()->writeFormat("delete param :%s failed!", parameters);
        return 0;
    }
    // The shell may hand the request to a process that already runs and return no handle.
    ScopedHandle process(request.hProcess);
    if (process.valid()) {
        WaitForSingleObject(process.get(), INFINITE);
    }
    return started;
}

int launchHotfixInstaller(const char* installerPath, const char* hotfixDirectory, const char* version,
                          const char* verb)
{
    const std::optional<std::string> parameters = installerParameters(hotfixDirectory, version, verb);
    if (!parameters) {
        const std::size_t length =
            std::strlen(hotfixDirectory) + std::strlen(version) + std::strlen(verb) + 4;
        Logger::getInstance()->writeFormat("hotfix param too long (%d)", static_cast<int>(length));
        return 0;
    }
    Logger::getInstance()->writeFormat("%s", parameters->c_str());
    return runAndWait(installerPath, parameters->c_str());
}
