#include "trust/process_identity.h"

#include "common/same_path.h"
#include "common/win_handle.h"
#include "trust/token_facts.h"

namespace {

std::string imageOf(HANDLE process)
{
    char image[1024] = {};
    DWORD length = sizeof image;
    return QueryFullProcessImageNameA(process, 0, image, &length) ? std::string(image, length)
                                                                  : std::string();
}

}  // namespace

ProcessFacts ownerFactsOf(HANDLE process)
{
    ProcessFacts facts;
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
        return facts;
    }
    const ScopedHandle held(token);
    facts.account = accountOf(token);
    facts.administratorsEnabled = administratorsEnabledIn(token);
    return facts;
}

bool runsOurProgram(HANDLE process, const std::string& imagePath)
{
    static const std::string serviceAccount = ownAccount();
    ProcessFacts facts = ownerFactsOf(process);
    facts.imagePath = imageOf(process);
    return mayBeOurProcess(facts, serviceAccount) && samePath(facts.imagePath, imagePath);
}
