#include "trust/exposed_folders.h"

#include <windows.h>

#include <optional>

#include "common/program_path.h"
#include "common/win_handle.h"
#include "trust/trust_check.h"

namespace {

struct FolderFacts {
    std::string path;
    std::optional<SecurityFacts> facts;
    unsigned long error = ERROR_SUCCESS;
};

FolderFacts folderFactsOf(const std::string& path, FolderOpener open)
{
    FolderFacts folder{path, std::nullopt, ERROR_SUCCESS};
    ScopedHandle handle(open(path));
    if (!handle.valid()) {
        folder.error = GetLastError();
        return folder;
    }
    folder.facts = securityFactsOf(handle.get(), folder.error);
    return folder;
}

}  // namespace

std::vector<FolderExposure> exposedFolders(const std::string& folder, FolderOpener open)
{
    std::vector<FolderFacts> chain = {folderFactsOf(folder, open)};
    for (const std::string& above : foldersAbove(folder)) {
        chain.push_back(folderFactsOf(above, open));
    }
    const std::vector<std::string> trusted = trustedAccounts();
    std::vector<FolderExposure> exposures;
    for (std::size_t index = 0; index < chain.size(); ++index) {
        // `folder` itself is judged by its parent alone: its own rights are the caller's to check.
        // A parent that cannot be read has a line of its own.
        const FolderFacts* judged = index > 0 ? &chain[index] : nullptr;
        const FolderFacts* parent = index + 1 < chain.size() ? &chain[index + 1] : nullptr;
        if (judged != nullptr && !judged->facts) {
            // A folder that is not there yet (above an install root the package is about to
            // create) cannot be renamed.
            if (judged->error != ERROR_FILE_NOT_FOUND && judged->error != ERROR_PATH_NOT_FOUND) {
                exposures.push_back(
                    {judged->path, "cannot be checked (" + std::to_string(judged->error) + ")"});
            }
            continue;
        }
        const Distrust distrust =
            judgeFolder(judged != nullptr ? &*judged->facts : nullptr,
                        parent != nullptr && parent->facts ? &*parent->facts : nullptr, trusted);
        const std::optional<std::string> reason = inWords(distrust, kMovableBy);
        if (reason) {
            exposures.push_back({chain[index].path, *reason});
        }
    }
    return exposures;
}
