#pragma once

#include <functional>

// Called once the start of the program has been attempted, before the wait: the caller lets go
// of what it held while the program was checked and started.
using StartedStep = std::function<void()>;

// Starts `file` through the shell, hidden, with `parameters`, and waits without a time limit
// until the program it started has ended. Returns non-zero when the program was started (its
// exit code is not read), 0 when the start failed; the failure is logged with the parameters.
int runAndWait(const char* file, const char* parameters, const StartedStep& started = {});

// Runs the hotfix installer with the hotfix directory (quoted), the version text and the verb,
// logging the parameter string first, and waits for it. Returns what runAndWait returns, or 0
// without starting anything when the parameter string would be too long.
int launchHotfixInstaller(const char* installerPath, const char* hotfixDirectory, const char* version,
                          const char* verb, const StartedStep& started = {});
