#include "hotfix/hotfix_parameters.h"

const char* hotfixVerb(int optType)
{
    switch (optType) {
    case 0:
        return "doinstall";
    case 1:
        return "douninstall";
    default:
        return nullptr;
    }
}

std::optional<std::string> installerParameters(const std::string& hotfixDirectory, const std::string& version,
                                               const std::string& verb)
{
    std::string parameters = "\"" + hotfixDirectory + "\" " + version + " " + verb;
    if (parameters.size() > kMaxInstallerParameterChars) {
        return std::nullopt;
    }
    return parameters;
}

char cleanupRefusal(const std::string& hotfixDirectory)
{
    const std::string::size_type at = hotfixDirectory.find_first_of("%!");
    return at == std::string::npos ? '\0' : hotfixDirectory[at];
}

std::optional<std::string> cleanupParameters(const std::string& hotfixDirectory)
{
    if (cleanupRefusal(hotfixDirectory) != '\0') {
        return std::nullopt;
    }
    return std::string("/c ") + "rd  /s /q " + "\"" + hotfixDirectory + "\"";
}
