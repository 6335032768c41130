#include "common/test_support.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <functional>
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

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t* windowsPath);

std::string unixPathOf(UnixFileName unixFileName, const std::string& path)
{
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()))));
    char* unixPath = unixFileName(wide.c_str());
    const std::string result = unixPath != nullptr ? unixPath : "";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Wine's own export, which the tests, run only under Wine, rely on.
UnixFileName wineUnixFileName()
{
    return reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
}

// Runs the host's program `hostProgram` with `arguments` and waits until `done` holds: Wine hands
// a host program over to the host, and its process ends before the program does.
bool runOnHost(const std::string& hostProgram, const std::string& arguments,
               const std::function<bool()>& done)
{
    startProgram("Z:" + hostProgram, arguments);
    return waitFor(done, 5000);
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

}  // namespace

bool makeSymbolicLink(const std::string& link, const std::string& target)
{
    const auto exists = [&link] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; };
    const UnixFileName unixFileName = wineUnixFileName();
    // The link's own name does not exist yet: it is made from its folder's.
    const std::string folder = link.substr(0, link.rfind('\\'));
    const std::string name = link.substr(folder.size() + 1);
    return runOnHost("\\bin\\ln",
                     "-s " + quoted(unixPathOf(unixFileName, target)) + " " +
                         quoted(unixPathOf(unixFileName, folder) + "/" + name),
                     exists);
}

bool removeSymbolicLink(const std::string& link)
{
    const auto gone = [&link] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; };
    return runOnHost("\\bin\\rm", quoted(unixPathOf(wineUnixFileName(), link)), gone);
}

ScopedHandle startProgram(const std::string& path, const std::string& arguments)
{
    std::string commandLine = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return {};
    }
    CloseHandle(process.hThread);
    return ScopedHandle(process.hProcess);
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
