#include "trust/trust_rules.h"

#include <algorithm>

namespace {

bool contains(const std::vector<std::string>& accounts, const std::string& account)
{
    return std::find(accounts.begin(), accounts.end(), account) != accounts.end();
}

std::string joined(const std::vector<std::string>& parts, const char* separator)
{
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : separator) + part;
    }
    return text;
}

void addWriter(Distrust& distrust, const std::string& account,
               const std::vector<std::string>& trustedAccounts)
{
    if (!contains(trustedAccounts, account) && !contains(distrust.writers, account)) {
        distrust.writers.push_back(account);
    }
}

}  // namespace

Distrust judgeTrust(const SecurityFacts& facts, const std::vector<std::string>& trustedAccounts,
                    std::uint32_t rights)
{
    Distrust distrust;
    if (!contains(trustedAccounts, facts.owner)) {
        distrust.untrustedOwner = facts.owner.empty() ? "nobody" : facts.owner;
    }
    distrust.noAccessList = !facts.hasAccessList;
    for (const AccessEntry& entry : facts.entries) {
        if (entry.kind == AccessEntry::Kind::Allow && !entry.inheritOnly && (entry.mask & rights) != 0) {
            addWriter(distrust, entry.account, trustedAccounts);
        }
    }
    return distrust;
}

Distrust judgeFolder(const SecurityFacts* folder, const SecurityFacts* parent,
                     const std::vector<std::string>& trustedAccounts)
{
    Distrust distrust = folder != nullptr ? judgeTrust(*folder, trustedAccounts, kFolderRights) : Distrust();
    if (parent != nullptr) {
        const Distrust viaParent = judgeTrust(*parent, trustedAccounts, kParentRights);
        for (const std::string& account : viaParent.writers) {
            addWriter(distrust, account, trustedAccounts);
        }
        if (viaParent.noAccessList) {
            addWriter(distrust, kEveryone, trustedAccounts);
        }
    }
    return distrust;
}

std::string describeDistrust(const Distrust& distrust, const char* rightsWords)
{
    std::vector<std::string> reasons;
    if (!distrust.untrustedOwner.empty()) {
        reasons.push_back("owned by " + distrust.untrustedOwner);
    }
    if (distrust.noAccessList) {
        reasons.emplace_back("open to everyone (no access list)");
    }
    if (!distrust.writers.empty()) {
        reasons.push_back(std::string(rightsWords) + " " + joined(distrust.writers, ", "));
    }
    return joined(reasons, " and ");
}
