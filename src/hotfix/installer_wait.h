#pragma once

#include <string>

// Returns once no hotfix installer of this install root runs, that is no process whose program
// is the file at `installerPath`: a stop leaves a running installer alone, and a service started
// again meanwhile must not run a second one on the same hotfix directory. A program of the same
// name started from anywhere else holds nothing back. Every listed hotfixs.exe is looked at; one
// that cannot be opened is logged ("err:%d") and not waited for; one that a user runs is not
// waited for either (runsOurProgram). The name is compared without letter case, so that no other
// spelling slips past. Writes one line when it has to wait. Waits without a time limit, as for
// the service's own installer run, but answers a stop: false when one came first.
bool waitForRunningInstallers(const std::string& installerPath);
