#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Who could change a file or directory the service runs or reads as LocalSystem, decided from
// its owner and access list alone. Accounts are SIDs in their string form ("S-1-5-18").

// The rights that let an account change what will run: write or append data (add a file or a
// subdirectory), write extended attributes, write attributes (which turns an empty directory
// into a link), delete a child, delete, change the access list or the owner, and the generic
// and maximum rights that include them.
constexpr std::uint32_t kChangeRights = 0x00000002u | 0x00000004u | 0x00000010u | 0x00000040u | 0x00000100u |
                                        0x00010000u | 0x00040000u | 0x00080000u | 0x02000000u | 0x10000000u |
                                        0x40000000u;

// On a folder above what runs: the rights to delete (and so rename) it, or to change its access
// list or owner, and the generic and maximum rights that include them. Adding files or folders
// beside what runs changes nothing of it.
constexpr std::uint32_t kFolderRights = 0x00010000u | 0x00040000u | 0x00080000u | 0x02000000u | 0x10000000u;

// On that folder's parent: the right to delete (and so rename) what it holds.
constexpr std::uint32_t kParentRights = 0x00000040u | 0x02000000u | 0x10000000u;

// The SID of Everyone, who may do everything to an object without an access list.
constexpr const char* kEveryone = "S-1-1-0";

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
    // Accounts, in the order of their first entry, that some allow entry grants a right that
    // counts.
    std::vector<std::string> writers;

    bool any() const { return !untrustedOwner.empty() || noAccessList || !writers.empty(); }
};

// Trusted: owned by a trusted account, and no allow entry that applies to the object itself
// grants any other account one of `rights`. Deny entries are not credited: a check that ignores
// them can only refuse more.
Distrust judgeTrust(const SecurityFacts& facts, const std::vector<std::string>& trustedAccounts,
                    std::uint32_t rights = kChangeRights);

// A folder above what runs, which nobody else may delete, rename or re-permission: its owner and
// kFolderRights on it (when `folder` is given), and kParentRights on its parent (when `parent`
// is given: a volume's root has none).
Distrust judgeFolder(const SecurityFacts* folder, const SecurityFacts* parent,
                     const std::vector<std::string>& trustedAccounts);

// The reason in words, accounts as given (names where they could be looked up): "owned by X",
// "open to everyone (no access list)", then `rightsWords` and the accounts ("writable by Y, Z"),
// joined by " and ".
constexpr const char* kWritableBy = "writable by";
constexpr const char* kMovableBy = "can be renamed or re-permissioned by";
std::string describeDistrust(const Distrust& distrust, const char* rightsWords = kWritableBy);
