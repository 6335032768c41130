#include "trust/trust_check.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "trust/install_root_access.h"

namespace {

const std::string kTrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// The owner and access entries of a descriptor written in SDDL; none for an empty text.
std::optional<SecurityFacts> factsOfSddl(const std::string& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (sddl.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                                              &descriptor, nullptr)) {
        return std::nullopt;
    }
    SecurityFacts facts = securityFactsIn(descriptor);
    LocalFree(descriptor);
    return facts;
}

}  // namespace

// Who, besides the trusted accounts, could change an object, from its owner and access list.
TEST(TrustCheck, OwnerAndAccessEntriesThatApplyToTheObjectItself)
{
    const std::string self = trustedAccounts().back();
    const struct {
        std::string sddl;
        std::optional<std::string> distrust;
    } cases[] = {
        {"O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", std::nullopt},
        {"O:BUD:(A;;FA;;;SY)", "owned by BUILTIN\\Users"},
        // Modify, as a folder made under C:\ inherits it for every signed-in user.
        {"O:BAD:(A;OICIID;0x1301bf;;;AU)(A;OICIID;FA;;;SY)", "writable by NT AUTHORITY\\Authenticated Users"},
        {"O:SYD:(A;;0x2;;;BU)", "writable by BUILTIN\\Users"},
        // Writing attributes alone turns an empty directory into a link.
        {"O:SYD:(A;;0x100;;;BU)", "writable by BUILTIN\\Users"},
        // Inherit-only entries give nothing on the object itself.
        {"O:SYD:(A;OICIIO;GA;;;CO)(A;OICIIO;FA;;;WD)(A;;0x1200a9;;;WD)", std::nullopt},
        {"O:SYD:(A;;GW;;;WD)(A;;GA;;;BU)(A;;0x2000000;;;AU)(A;;0x10;;;WD)",
         "writable by Everyone, BUILTIN\\Users, NT AUTHORITY\\Authenticated Users"},
        // A deny entry is not credited; an account that cannot be looked up is named by its SID.
        {"O:SYD:(D;;FA;;;S-1-5-21-1-2-3-1001)(A;;WD;;;S-1-5-21-1-2-3-1001)",
         "writable by S-1-5-21-1-2-3-1001"},
        // Nor is it counted as a right: what icacls /deny Everyone:(DE) leaves is trusted.
        {"O:BAD:(D;;SD;;;WD)(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;WD)", std::nullopt},
        {"O:SYD:(D;;FA;;;WD)", std::nullopt},
        // No access list at all grants everyone everything.
        {"O:SY", "open to everyone (no access list)"},
        {"O:" + kTrustedInstaller + "D:(A;;FA;;;" + kTrustedInstaller + ")(A;;FA;;;" + self + ")",
         std::nullopt},
        {"O:WDD:(A;;0x40040;;;WD)", "owned by Everyone and writable by Everyone"},
    };
    const std::vector<std::string> trusted = trustedAccounts();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sddl);
        const std::optional<SecurityFacts> facts = factsOfSddl(c.sddl);
        ASSERT_TRUE(facts);
        EXPECT_EQ(inWords(judgeTrust(*facts, trusted)), c.distrust);
    }
}

// A folder above what runs: who could delete, rename or re-permission it, through its own rights
// or its parent's. Creating folders beside it, which a volume's root grants every user, is none.
TEST(TrustCheck, FoldersThatOthersCouldMoveOrRepermission)
{
    const std::string locked = "O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
    const std::string volumeRoot =
        "O:SYD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)(A;;0x4;;;AU)"
        "(A;OICIIO;0x1301bf;;;AU)";
    const struct {
        std::string folder;
        std::string parent;
        std::optional<std::string> distrust;
    } cases[] = {
        {locked, volumeRoot, std::nullopt},
        // What a folder made under C:\ inherits: Modify, which includes deleting it.
        {"O:BAD:(A;OICIID;0x1301bf;;;AU)(A;OICIID;FA;;;SY)", volumeRoot,
         "can be renamed or re-permissioned by NT AUTHORITY\\Authenticated Users"},
        // Writing into it changes nothing above what runs.
        {"O:BAD:(A;;FA;;;SY)(A;;0x1201bf;;;BU)", locked, std::nullopt},
        {"O:BAD:(A;;FA;;;SY)(A;;WD;;;BU)(A;;WO;;;IU)", locked,
         "can be renamed or re-permissioned by BUILTIN\\Users, NT AUTHORITY\\INTERACTIVE"},
        {"O:BUD:(A;;FA;;;SY)", "", "owned by BUILTIN\\Users"},
        // Deleting a child of the parent renames the folder too.
        {locked, "O:BAD:(A;;FA;;;SY)(A;;0x40;;;AU)",
         "can be renamed or re-permissioned by NT AUTHORITY\\Authenticated Users"},
        {locked, "O:BA", "can be renamed or re-permissioned by Everyone"},
        // The folder itself is left to the caller: only its parent counts then.
        {"", "O:BAD:(A;;FA;;;SY)(A;;0x40;;;BU)", "can be renamed or re-permissioned by BUILTIN\\Users"},
        {"", locked, std::nullopt},
    };
    const std::vector<std::string> trusted = trustedAccounts();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder + " in " + c.parent);
        const std::optional<SecurityFacts> folder = factsOfSddl(c.folder);
        const std::optional<SecurityFacts> parent = factsOfSddl(c.parent);
        EXPECT_EQ(inWords(judgeFolder(folder ? &*folder : nullptr, parent ? &*parent : nullptr, trusted),
                          kMovableBy),
                  c.distrust);
    }
}

// What the installer package gives the install root, and adds on the executable: the service
// trusts both, nobody but SYSTEM and Administrators has an entry on the root, which shuts out what
// the folders above grant and passes itself on to everything below, and users may only read and
// run the executable.
TEST(TrustCheck, AccessListsThePackageGives)
{
    constexpr unsigned long kReadAndRun = 0x1200a9;
    const struct {
        const char* sddl;
        bool isProtected;
        std::vector<std::string> accounts;
        unsigned long usersMask;
    } cases[] = {
        {kInstallRootSddl, true, {"S-1-5-18", "S-1-5-32-544"}, 0},
        {kMessageFileSddl, false, {"S-1-5-32-545"}, kReadAndRun},
    };
    const std::vector<std::string> trusted = trustedAccounts();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sddl);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
            (std::string("O:BA") + c.sddl).c_str(), SDDL_REVISION_1, &descriptor, nullptr));
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
        const SecurityFacts facts = securityFactsIn(descriptor);
        LocalFree(descriptor);

        EXPECT_EQ((control & SE_DACL_PROTECTED) != 0, c.isProtected);
        EXPECT_FALSE(judgeTrust(facts, trusted).any());
        EXPECT_FALSE(judgeFolder(&facts, &facts, trusted).any());
        std::vector<std::string> accounts;
        for (const AccessEntry& entry : facts.entries) {
            accounts.push_back(entry.account);
            EXPECT_EQ(entry.kind, AccessEntry::Kind::Allow);
            EXPECT_EQ(entry.mask, entry.account == "S-1-5-32-545" ? c.usersMask : FILE_ALL_ACCESS);
        }
        EXPECT_EQ(accounts, c.accounts);
    }
}
