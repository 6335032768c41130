#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Who could change a file or directory the service runs or reads as LocalSystem, decided from
// its owner and access list alone. Accounts are SIDs in their string form ("S-1-5-18").

// The rights that let an account change what will run: write or append data (add a file or a
// subdirectory), write extended attributes, delete a child, delete, change the access list or
// the owner, and the generic and maximum rights that include them.
constexpr std::uint32_t kChangeRights = 0x00000002u | 0x00000004u | 0x00000010u | 0x00000040u | 0x00010000u |
                                        0x00040000u | 0x00080000u | 0x02000000u | 0x10000000u | 0x40000000u;

struct AccessEntry {
    enum class Kind { Allow, Deny, Other };
    Kind kind = Kind::Other;
    // Applies only to objects created below, not to the object itself.
    bool inheritOnly = false;
    std::uint32_t mask = 0;
    std::string account;
};

struct SecurityFacts {
    std::string owner;
    // False for a null access list, which grants everyone everything.
    bool hasAccessList = false;
    std::vector<AccessEntry> entries;
};

// Why an object is not trusted; nothing set when it is.
struct Distrust {
    std::string untrustedOwner;
    bool noAccessList = false;
    // Accounts, in the order of their first entry, that some allow entry grants a change right.
    std::vector<std::string> writers;

    bool any() const { return !untrustedOwner.empty() || noAccessList || !writers.empty(); }
};

// Trusted: owned by a trusted account, and no allow entry that applies to the object itself
// grants any other account a change right. Deny entries are not credited: a check that ignores
// them can only refuse more.
Distrust judgeTrust(const SecurityFacts& facts, const std::vector<std::string>& trustedAccounts);

// The reason in words, accounts as given (names where they could be looked up): "owned by X",
// "writable by Y, Z", "open to everyone (no access list)", joined by " and ".
std::string describeDistrust(const Distrust& distrust);
