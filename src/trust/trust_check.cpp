#include "trust/trust_check.h"

#include <aclapi.h>
#include <sddl.h>

#include "trust/token_facts.h"

namespace {

constexpr const char* kLocalSystem = "S-1-5-18";
constexpr const char* kAdministrators = "S-1-5-32-544";
constexpr const char* kTrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

AccessEntry::Kind kindOf(BYTE aceType)
{
    switch (aceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
        return AccessEntry::Kind::Allow;
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        return AccessEntry::Kind::Deny;
    default:
        return AccessEntry::Kind::Other;
    }
}

// The mask sits right after the header in every allow and deny entry; the SID follows it, after
// the object types where an object entry names them.
PSID sidOf(const ACE_HEADER* header)
{
    const bool objectEntry = header->AceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                             header->AceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE ||
                             header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE ||
                             header->AceType == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
    if (!objectEntry) {
        return const_cast<DWORD*>(&reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header)->SidStart);
    }
    const auto* entry = reinterpret_cast<const ACCESS_ALLOWED_OBJECT_ACE*>(header);
    const BYTE* sid = reinterpret_cast<const BYTE*>(&entry->ObjectType);
    sid += (entry->Flags & ACE_OBJECT_TYPE_PRESENT) != 0 ? sizeof(GUID) : 0;
    sid += (entry->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) != 0 ? sizeof(GUID) : 0;
    return const_cast<BYTE*>(sid);
}

std::string accountName(const std::string& sid)
{
    PSID binary = nullptr;
    if (!ConvertStringSidToSidA(sid.c_str(), &binary)) {
        return sid;
    }
    char name[256] = {};
    char domain[256] = {};
    DWORD nameLength = sizeof name;
    DWORD domainLength = sizeof domain;
    SID_NAME_USE use = SidTypeUnknown;
    const BOOL found = LookupAccountSidA(nullptr, binary, name, &nameLength, domain, &domainLength, &use);
    LocalFree(binary);
    if (!found) {
        return sid;
    }
    return domain[0] == '\0' ? std::string(name) : std::string(domain) + "\\" + name;
}

std::vector<AccessEntry> entriesOf(PACL list)
{
    std::vector<AccessEntry> entries;
    for (DWORD index = 0; index < list->AceCount; ++index) {
        void* ace = nullptr;
        if (!GetAce(list, index, &ace)) {
            continue;
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        AccessEntry entry;
        entry.kind = kindOf(header->AceType);
        if (entry.kind == AccessEntry::Kind::Other) {
            continue;
        }
        entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        entry.mask = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header)->Mask;
        entry.account = sidText(sidOf(header));
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

std::vector<std::string> trustedAccounts()
{
    std::vector<std::string> accounts = {kLocalSystem, kAdministrators, kTrustedInstaller};
    const std::string own = ownAccount();
    if (!own.empty()) {
        accounts.push_back(own);
    }
    return accounts;
}

SecurityFacts securityFactsIn(PSECURITY_DESCRIPTOR descriptor)
{
    SecurityFacts facts;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) {
        facts.owner = sidText(owner);
    }
    BOOL present = FALSE;
    PACL list = nullptr;
    if (GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) && present && list != nullptr) {
        facts.hasAccessList = true;
        facts.entries = entriesOf(list);
    }
    return facts;
}

std::optional<SecurityFacts> securityFactsOf(HANDLE object, unsigned long& error)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    error = GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, nullptr, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) {
        return std::nullopt;
    }
    SecurityFacts facts = securityFactsIn(descriptor);
    LocalFree(descriptor);
    return facts;
}

std::optional<std::string> inWords(Distrust distrust, const char* rightsWords)
{
    if (!distrust.any()) {
        return std::nullopt;
    }
    if (!distrust.untrustedOwner.empty()) {
        distrust.untrustedOwner = accountName(distrust.untrustedOwner);
    }
    for (std::string& writer : distrust.writers) {
        writer = accountName(writer);
    }
    return describeDistrust(distrust, rightsWords);
}

std::optional<std::string> distrustOf(HANDLE object)
{
    unsigned long error = 0;
    const std::optional<SecurityFacts> facts = securityFactsOf(object, error);
    if (!facts) {
        return "security not readable (" + std::to_string(error) + ")";
    }
    return inWords(judgeTrust(*facts, trustedAccounts()));
}
