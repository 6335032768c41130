#pragma once

#include <string>

// Once per service start: writes one line for each of the program directory, the running
// executable and the companion at `monitorPath` that someone other than the trusted accounts
// could change, and for each folder through which they could put another program directory in
// its place at the next start (exposedFolders), naming it and the accounts. A missing companion
// is left to its launch. Nothing is refused: the executable itself would be just as exposed as
// the companion.
void warnIfProgramUntrusted(const std::string& monitorPath);

// The same for the executable at `executable`.
void warnIfProgramUntrustedFor(const std::string& executable, const std::string& monitorPath);
