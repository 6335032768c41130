#include "hotfix/hotfix_objects.h"

#include "events/event_report.h"
#include "log/logger.h"
#include "trust/exposed_folders.h"
#include "trust/held_object.h"
#include "trust/trust_check.h"

namespace {

bool notFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

void refuseHotfix(const std::string& path, const std::string& reason)
{
    Logger::getInstance()->writeFormat("hotfix not trusted: %s %s", path.c_str(), reason.c_str());
    reportEvent(EVENT_HOTFIX_NOT_TRUSTED, {path, reason});
}

std::optional<std::string> refusalOf(HANDLE object, const std::string& path)
{
    std::optional<std::string> reason = identityProblem(object, path);
    return reason ? reason : distrustOf(object);
}

ScopedHandle openTrustedObject(const std::string& path, DWORD extraAccess, bool* absent)
{
    ScopedHandle object(openUnfollowed(path, extraAccess));
    const DWORD openError = object.valid() ? ERROR_SUCCESS : GetLastError();
    if (absent != nullptr) {
        *absent = notFound(openError);
        if (*absent) {
            return object;
        }
    }
    if (!object.valid()) {
        refuseHotfix(path, "cannot be checked (" + std::to_string(openError) + ")");
        return object;
    }
    const std::optional<std::string> refusal = refusalOf(object.get(), path);
    if (refusal) {
        refuseHotfix(path, *refusal);
        object.reset();
    }
    return object;
}

ScopedHandle openTrustedDirectory(const std::string& path, bool& absent)
{
    ScopedHandle directory = openTrustedObject(path, 0, &absent);
    if (directory.valid()) {
        const std::vector<FolderExposure> exposures = exposedFolders(path);
        if (!exposures.empty()) {
            refuseHotfix(exposures.front().folder, exposures.front().reason);
            directory.reset();
        }
    }
    return directory;
}
