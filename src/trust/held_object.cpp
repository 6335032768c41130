#include "trust/held_object.h"

#include "common/program_path.h"
#include "common/same_path.h"

namespace {

std::string cannotBeChecked(DWORD error)
{
    return "cannot be checked (" + std::to_string(error) + ")";
}

// Under Wine a buffer that is too small fails with ERROR_INSUFFICIENT_BUFFER instead of giving the
// size: the buffer holds the longest path there is.
std::optional<std::string> finalPathOf(HANDLE object, DWORD& error)
{
    std::string buffer(32768, '\0');
    const DWORD length = GetFinalPathNameByHandleA(object, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= buffer.size()) {
        error = length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        return std::nullopt;
    }
    buffer.resize(length);
    return withoutLongPathPrefix(buffer);
}

}  // namespace

HANDLE openUnfollowed(const std::string& path, DWORD extraAccess)
{
    // Backup semantics so that a directory opens too.
    return CreateFileA(path.c_str(), GENERIC_READ | extraAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

HANDLE openToInspect(const std::string& path)
{
    return CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                       nullptr);
}

std::optional<std::string> identityProblem(HANDLE object, const std::string& path)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(object, &information)) {
        return cannotBeChecked(GetLastError());
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return std::string("is a link");
    }
    DWORD error = ERROR_SUCCESS;
    const std::optional<std::string> finalPath = finalPathOf(object, error);
    if (!finalPath) {
        return cannotBeChecked(error);
    }
    if (!samePath(*finalPath, path)) {
        return "leads to " + *finalPath;
    }
    const bool isFile = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (isFile && information.nNumberOfLinks > 1) {
        return "has " + std::to_string(information.nNumberOfLinks) + " names";
    }
    return std::nullopt;
}
