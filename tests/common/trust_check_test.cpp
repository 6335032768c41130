#include "common/trust_check.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kTrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

std::optional<std::string> distrustOfSddl(const std::string& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return "not a descriptor: " + sddl;
    }
    std::optional<std::string> distrust = distrustIn(descriptor);
    LocalFree(descriptor);
    return distrust;
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
        // Inherit-only entries give nothing on the object itself.
        {"O:SYD:(A;OICIIO;GA;;;CO)(A;OICIIO;FA;;;WD)(A;;0x1200a9;;;WD)", std::nullopt},
        {"O:SYD:(A;;GW;;;WD)(A;;GA;;;BU)(A;;0x2000000;;;AU)(A;;0x10;;;WD)",
         "writable by Everyone, BUILTIN\\Users, NT AUTHORITY\\Authenticated Users"},
        // A deny entry is not credited; an account that cannot be looked up is named by its SID.
        {"O:SYD:(D;;FA;;;S-1-5-21-1-2-3-1001)(A;;WD;;;S-1-5-21-1-2-3-1001)",
         "writable by S-1-5-21-1-2-3-1001"},
        // No access list at all grants everyone everything.
        {"O:SY", "open to everyone (no access list)"},
        {"O:" + kTrustedInstaller + "D:(A;;FA;;;" + kTrustedInstaller + ")(A;;FA;;;" + self + ")",
         std::nullopt},
        {"O:WDD:(A;;0x40040;;;WD)", "owned by Everyone and writable by Everyone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sddl);
        EXPECT_EQ(distrustOfSddl(c.sddl), c.distrust);
    }
}
