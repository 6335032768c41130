#include "common/program_path.h"

#include "common/names.h"

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
