#include "common/test_support.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "common/module_path.h"
#include "common/program_path.h"
#include "log/log_file.h"

ScratchDirectory::ScratchDirectory(const std::string& name)
{
    char temp[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    path = std::string(temp, length) + name + "-" + std::to_string(GetCurrentProcessId());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
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

bool openToEveryone(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;FA;;;SY)(A;;FA;;;WD)", SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return false;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted);
    std::string name = path;
    const DWORD error = SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                              nullptr, list, nullptr);
    LocalFree(descriptor);
    return error == ERROR_SUCCESS;
}

std::string besideTests(const std::string& name)
{
    std::string self;
    unsigned long error = 0;
    return readModulePath(self, error) ? siblingPath(self, name).value_or("") : "";
}

std::vector<std::string> logMessagesIn(const std::string& content)
{
    static const std::regex line(
        R"(\[\d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d (Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day\]\t\[QeltService\]: ([^\r\n]*)\r\n)");
    std::vector<std::string> messages;
    std::string::size_type start = 0;
    while (start < content.size()) {
        std::string::size_type end = content.find("\r\n", start);
        end = end == std::string::npos ? content.size() : end + 2;
        const std::string piece = content.substr(start, end - start);
        std::smatch match;
        messages.push_back(std::regex_match(piece, match, line) ? match[2].str() : "<bad line> " + piece);
        start = end;
    }
    return messages;
}

void clearServiceLog()
{
    DeleteFileA(logFilePath().value_or("").c_str());
}

std::vector<std::string> serviceLogMessages()
{
    return logMessagesIn(readBytes(logFilePath().value_or("")));
}
