#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "trust/trust_rules.h"

// LocalSystem, BUILTIN\Administrators, NT SERVICE\TrustedInstaller and the account this
// process runs under (last).
std::vector<std::string> trustedAccounts();

// The owner and the access entries of a security descriptor.
SecurityFacts securityFactsIn(PSECURITY_DESCRIPTOR descriptor);

// The same for the object behind `object`, a handle with READ_CONTROL, read from the handle,
// never by path, so that what is checked is what is used. Empty, with the system's error code,
// when they cannot be read.
std::optional<SecurityFacts> securityFactsOf(HANDLE object, unsigned long& error);

// `distrust` in words naming the accounts: "DOMAIN\name", the name alone where it has no domain
// ("Everyone"), the SID where it cannot be looked up. Empty when nothing is distrusted.
std::optional<std::string> inWords(Distrust distrust, const char* rightsWords = kWritableBy);

// Why someone other than the trusted accounts could change the object behind `object`, a handle
// with READ_CONTROL, in words. Empty when it is trusted.
std::optional<std::string> distrustOf(HANDLE object);
