#include "trust/token_facts.h"

#include <sddl.h>

#include <vector>

#include "common/win_handle.h"

std::string sidText(PSID sid)
{
    char* text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidA(sid, &text)) {
        return {};
    }
    std::string result(text);
    LocalFree(text);
    return result;
}

std::string accountOf(HANDLE token)
{
    alignas(TOKEN_USER) char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length)) {
        return {};
    }
    return sidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

bool administratorsEnabledIn(HANDLE token)
{
    DWORD length = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &length);
    if (length == 0) {
        return false;
    }
    std::vector<TOKEN_GROUPS> buffer(length / sizeof(TOKEN_GROUPS) + 1);
    if (!GetTokenInformation(token, TokenGroups, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(TOKEN_GROUPS)), &length)) {
        return false;
    }
    alignas(SID) BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize)) {
        return false;
    }
    const TOKEN_GROUPS& groups = buffer.front();
    for (DWORD i = 0; i < groups.GroupCount; ++i) {
        const SID_AND_ATTRIBUTES& group = groups.Groups[i];
        if (EqualSid(group.Sid, administrators)) {
            return (group.Attributes & SE_GROUP_ENABLED) != 0 &&
                   (group.Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0;
        }
    }
    return false;
}

std::string ownAccount()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const ScopedHandle held(token);
    return accountOf(token);
}
