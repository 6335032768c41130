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

namespace {

// Windows makes each write through a handle without FILE_WRITE_DATA land whole at the end of
// the file; Wine does not, and two processes then write at the same offset. So writers also
// take turns on one byte far past any end the log can reach: byte-range locks are mandatory,
// and the file's own bytes must stay free for readers. Windows grants the lock only on a handle
// with read or write data access (Wine on any handle), so the log is opened with read access
// too, which is never used. The turn is waited for only briefly; after that, or where the lock
// is refused, the line is appended all the same.
constexpr DWORD kTurnOffsetLow = 0xFFFFFFFE;
constexpr DWORD kTurnOffsetHigh = 0x7FFFFFFF;
constexpr int kTurnAttempts = 200;

OVERLAPPED turnPosition()
{
    OVERLAPPED position = {};
    position.Offset = kTurnOffsetLow;
    position.OffsetHigh = kTurnOffsetHigh;
    return position;
}

bool takeTurn(HANDLE file)
{
    for (int attempt = 0; attempt < kTurnAttempts; ++attempt) {
        OVERLAPPED position = turnPosition();
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &position)) {
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) {
            return false;
        }
        Sleep(1);
    }
    return false;
}

}  // namespace

bool appendToLogFile(const std::string& path, const std::string& line)
{
    // Without FILE_WRITE_DATA every write goes to the end. Delete is not shared: the cap of
    // another writer waits until this line is whole.
    ScopedHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    // The turn ends when the handle is closed, which releases its lock: one call less per line.
    takeTurn(file.get());
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
