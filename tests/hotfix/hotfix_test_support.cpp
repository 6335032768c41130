#include "hotfix/hotfix_test_support.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "log/log_file.h"

ScratchDirectory::ScratchDirectory(const std::string& name)
{
    char temp[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp, length) + name + "-" + std::to_string(GetCurrentProcessId());
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::filesystem::create_directories(path_);
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void makeDirectories(const std::string& path)
{
    std::filesystem::create_directories(path);
}

bool writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool pathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void clearServiceLog()
{
    const std::optional<std::string> log = logFilePath();
    if (log) {
        DeleteFileA(log->c_str());
    }
}

std::vector<std::string> serviceLogMessages()
{
    const std::optional<std::string> log = logFilePath();
    const std::string content = log ? readBytes(*log) : std::string();
    const std::string tag = "\t[QeltService]: ";
    std::vector<std::string> messages;
    std::string::size_type start = 0;
    while (start < content.size()) {
        std::string::size_type end = content.find("\r\n", start);
        if (end == std::string::npos) {
            end = content.size();
        }
        const std::string line = content.substr(start, end - start);
        const std::string::size_type at = line.find(tag);
        messages.push_back(at == std::string::npos ? "<bad line> " + line : line.substr(at + tag.size()));
        start = end + 2;
    }
    return messages;
}
