#include "hotfix/run_and_wait.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>

#include "common/launch_hidden.h"
#include "common/win_handle.h"
#include "events/event_report.h"
#include "events/summary_report.h"
#include "hotfix/hotfix_parameters.h"
#include "hotfix/program_wait.h"
#include "log/logger.h"

int runAndWait(const char* file, const char* parameters, const StartedStep& started)
{
    HANDLE launched = nullptr;
    unsigned long error = 0;
    const bool ok = launchHidden(file, parameters, launched, error);
    if (started) {
        started();
    }
    if (!ok) {
        Logger::getInstance()->writeFormat("delete param :%s failed!", parameters);
        reportEvent(EVENT_HOTFIX_NOT_STARTED, {file, parameters, std::to_string(error)});
        return 0;
    }
    // The shell may hand the request to a process that already runs and return no handle.
    ScopedHandle process(launched);
    if (process.valid()) {
        waitForHotfixProgram(process.get(), file);
    }
    return 1;
}

int launchHotfixInstaller(const char* installerPath, const char* hotfixDirectory, const char* version,
                          const char* verb, const StartedStep& started)
{
    const std::optional<std::string> parameters = installerParameters(hotfixDirectory, version, verb);
    if (!parameters) {
        const std::size_t length =
            std::strlen(hotfixDirectory) + std::strlen(version) + std::strlen(verb) + 4;
        Logger::getInstance()->writeFormat("hotfix param too long (%d)", static_cast<int>(length));
        reportEvent(EVENT_HOTFIX_TOO_LONG, {"the installer's parameters", std::to_string(length),
                                            std::to_string(kMaxInstallerParameterChars)});
        return 0;
    }
    Logger::getInstance()->writeFormat("%s", parameters->c_str());
    reportEvent(EVENT_HOTFIX_INSTALLER_RUN, {installerPath, version, verb});
    const int ran = runAndWait(installerPath, parameters->c_str(), started);
    if (ran != 0) {
        countInstallerRun();
    }
    return ran;
}
