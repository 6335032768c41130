#include "common/trust_rules.h"

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

}  // namespace

Distrust judgeTrust(const SecurityFacts& facts, const std::vector<std::string>& trustedAccounts)
{
    Distrust distrust;
    if (!contains(trustedAccounts, facts.owner)) {
        distrust.untrustedOwner = facts.owner.empty() ? "nobody" : facts.owner;
    }
    distrust.noAccessList = !facts.hasAccessList;
    for (const AccessEntry& entry : facts.entries) {
        const bool grantsChange =
            entry.kind == AccessEntry::Kind::Allow && !entry.inheritOnly && (entry.mask & kChangeRights) != 0;
        if (grantsChange && !contains(trustedAccounts, entry.account) &&
            !contains(distrust.writers, entry.account)) {
            distrust.writers.push_back(entry.account);
        }
    }
    return distrust;
}

std::string describeDistrust(const Distrust& distrust)
{
    std::vector<std::string> reasons;
    if (!distrust.untrustedOwner.empty()) {
        reasons.push_back("owned by " + distrust.untrustedOwner);
    }
    if (distrust.noAccessList) {
        reasons.emplace_back("open to everyone (no access list)");
    }
    if (!distrust.writers.empty()) {
        reasons.push_back("writable by " + joined(distrust.writers, ", "));
    }
    return joined(reasons, " and ");
}
