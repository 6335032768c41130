#include "log/log_file.h"

#include <windows.h>

#include <cstring>

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

std::optional<std::wstring> logFileLocation()
{
    std::string modulePath;
    unsigned long error = 0;
    if (readModulePath(modulePath, error)) {
        const std::optional<std::string> path = siblingPath(modulePath, kLogFileName);
        return path ? std::optional<std::wstring>(widened(*path)) : std::nullopt;
    }
    if (error != ERROR_NO_UNICODE_TRANSLATION) {
        return std::nullopt;
    }
    std::wstring path = readWideModulePath();
    const std::wstring::size_type cut = path.rfind(L'\\');
    if (cut == std::wstring::npos) {
        return std::nullopt;
    }
    path.resize(cut + 1);
    path.append(kLogFileName, kLogFileName + std::strlen(kLogFileName));
    return path.size() < kPathBufferSize ? std::optional<std::wstring>(path) : std::nullopt;
}

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Windows makes each write through a handle without FILE_WRITE_DATA land whole at the end of
// the file; Wine does not, and two processes then write at the same offset. So writers also
// take turns on one byte far past any end the log can reach: byte-range locks are mandatory,
// and the file's own bytes must stay free for readers. Windows grants the lock only on a handle
// with read or write data access (Wine on any handle), so the log is opened with read access
// too, which is never used. The turn is waited for only briefly; after that the line is
// appended all the same.
constexpr int kTurnAttempts = 200;

enum class Turn { Taken, Busy, NotSupported };

OVERLAPPED turnPosition()
{
    OVERLAPPED position = {};
    position.Offset = static_cast<DWORD>(kLogTurnOffset);
    position.OffsetHigh = static_cast<DWORD>(kLogTurnOffset >> 32);
    return position;
}

Turn takeTurn(HANDLE file)
{
    for (int attempt = 0; attempt < kTurnAttempts; ++attempt) {
        OVERLAPPED position = turnPosition();
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &position)) {
            return Turn::Taken;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) {
            return Turn::NotSupported;
        }
        Sleep(1);
    }
    return Turn::Busy;
}

long long sizeOf(HANDLE file)
{
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

// Empties the file in place rather than deleting it: a viewer that holds the log open, letting
// others delete it, would leave a deleted file delete-pending under its name on systems without
// POSIX delete semantics, and every later open would fail until the viewer let go. Emptied, the
// file keeps its name, every writer keeps taking turns on the same file, and a viewer that
// follows it sees it begin anew. Only a viewer that maps the file keeps it from being emptied;
// the log then grows until the viewer lets go.
void beginAnew(HANDLE file)
{
    ScopedHandle writer(ReOpenFile(file, FILE_WRITE_DATA, kShareAll, 0));
    if (!writer.valid()) {
        return;
    }
    FILE_END_OF_FILE_INFO end = {};
    SetFileInformationByHandle(writer.get(), FileEndOfFileInfo, &end, sizeof end);
}

}  // namespace

void appendToLogFile(const std::wstring& path, const std::string& line)
{
    // Without FILE_WRITE_DATA every write goes to the end.
    ScopedHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA, kShareAll, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return;
    }
    // The size is measured and the file begun anew inside the turn: a line that another writer
    // appended after the measurement would otherwise be lost with the old lines. A writer that
    // did not get its turn leaves the cap to the next line. The turn ends when the handle is
    // closed, which releases its lock: one call less per line.
    const Turn turn = takeTurn(file.get());
    if (turn != Turn::Busy && logNeedsCap(sizeOf(file.get()))) {
        beginAnew(file.get());
    }
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string localStamp(std::time_t moment)
{
    std::tm local = {};
    if (localtime_s(&local, &moment) != 0) {
        return formatStamp(nullptr);
    }
    return formatStamp(&local);
}
