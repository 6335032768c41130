#include "log/log_file.h"

#include <windows.h>

#include "common/module_path.h"
#include "common/names.h"
#include "common/program_path.h"
#include "common/win_handle.h"
#include "log/log_line.h"

std::optional<std::string> logFilePath()
{
    std::string modulePath;
    unsigned long error = 0;
    if (!readModulePath(modulePath, error)) {
        return std::nullopt;
    }
    return siblingPath(modulePath, kLogFileName);
}

void capLogFile(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) {
        return;
    }
    if ((attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return;
    }
    const long long size = (static_cast<long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    if (logNeedsCap(size)) {
        DeleteFileA(path.c_str());
    }
}

bool appendToLogFile(const std::string& path, const std::string& line)
{
    // Delete is not shared: the cap of another writer waits until this line is whole.
    ScopedHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return ok && written == line.size();
}

std::string localStamp(std::time_t moment)
{
    std::tm local = {};
    if (localtime_s(&local, &moment) != 0) {
        return formatStamp(nullptr);
    }
    return formatStamp(&local);
}
