#include "trust/process_rules.h"

namespace {

bool isDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool startsWithDrive(const std::string& path, std::size_t at)
{
    return path.size() > at + 2 && isDriveLetter(path[at]) && path[at + 1] == ':' && path[at + 2] == '\\';
}

}  // namespace

bool isLocalVolumePath(const std::string& path)
{
    constexpr const char* kLongPathPrefix = "\\\\?\\";
    if (path.compare(0, 4, kLongPathPrefix) == 0) {
        return startsWithDrive(path, 4);
    }
    return startsWithDrive(path, 0);
}

bool mayBeOurProcess(const ProcessFacts& facts, const std::string& serviceAccount)
{
    const bool trustedAccount =
        !facts.account.empty() && (facts.account == serviceAccount || facts.administratorsEnabled);
    return trustedAccount && isLocalVolumePath(facts.imagePath);
}
