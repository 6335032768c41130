#include "common/program_path.h"

#include "common/names.h"

namespace {

// "C:" for a drive, "\\server\share" for a share; empty for a path with neither.
std::string volumeOf(const std::string& path)
{
    if (path.rfind("\\\\", 0) == 0) {
        const std::string::size_type server = path.find('\\', 2);
        const std::string::size_type share =
            server == std::string::npos ? server : path.find('\\', server + 1);
        return path.substr(0, share);
    }
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
}

}  // namespace

bool cutLastComponent(std::string& path)
{
    std::string::size_type separator = path.rfind('\\');
    if (separator == std::string::npos) {
        separator = path.rfind('/');
    }
    if (separator == std::string::npos) {
        return false;
    }
    path.erase(separator);
    return true;
}

std::optional<std::string> siblingPath(const std::string& modulePath, const std::string& fileName)
{
    std::string directory = modulePath;
    if (!cutLastComponent(directory)) {
        return std::nullopt;
    }
    std::string sibling = directory + "\\" + fileName;
    if (sibling.size() > kMaxPathChars) {
        return std::nullopt;
    }
    return sibling;
}

std::vector<std::string> foldersAbove(const std::string& path)
{
    const std::string volume = volumeOf(path);
    std::vector<std::string> folders;
    std::string folder = path;
    while (folder.size() > volume.size() && cutLastComponent(folder) && folder.size() >= volume.size()) {
        folders.push_back(folder.size() == volume.size() ? folder + "\\" : folder);
    }
    return folders;
}

std::string withoutLongPathPrefix(const std::string& finalPath)
{
    if (finalPath.rfind("\\\\?\\UNC\\", 0) == 0) {
        return "\\" + finalPath.substr(7);
    }
    return finalPath.rfind("\\\\?\\", 0) == 0 ? finalPath.substr(4) : finalPath;
}
