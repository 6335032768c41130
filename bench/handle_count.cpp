// Prints the number of handles that a process holds, for the soak test's flatness check:
//   handle_count <pid>    prints "handles=<n> source=<how it was counted>"
// GetProcessHandleCount is asked first. Wine answers it with 0 for every process (a running
// process always holds handles), so a count of 0 is replaced by the number of entries that
// the system's handle list (NtQuerySystemInformation, extended handle information) gives
// for that process id.
// Exit code 0, the system's error code when the process cannot be opened or asked, 87 for a
// bad command line.
#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The layout of SystemExtendedHandleInformation (class 64) as the platform documents it.
constexpr int kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};

struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

bool countInSystemList(DWORD pid, unsigned long& count)
{
    std::vector<unsigned char> buffer(std::size_t{64} * 1024);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status =
            NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemExtendedHandleInformation),
                                     buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed + 4096);
            continue;
        }
        if (status != 0) {
            return false;
        }
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        const std::size_t fits = (buffer.size() - offsetof(HandleList, entries)) / sizeof(HandleEntry);
        if (list->count > fits) {
            return false;
        }
        count = 0;
        for (ULONG_PTR i = 0; i < list->count; ++i) {
            count += list->entries[i].processId == pid ? 1 : 0;
        }
        return true;
    }
    return false;
}

int printError(DWORD error)
{
    std::printf("error %lu\n", error);
    return static_cast<int>(error);
}

}  // namespace

int main(int argc, char** argv)
{
    char* end = nullptr;
    const DWORD pid = argc == 2 ? std::strtoul(argv[1], &end, 10) : 0;
    if (argc != 2 || end == argv[1] || *end != '\0') {
        (void)std::fprintf(stderr, "usage: handle_count <pid>\n");
        return ERROR_INVALID_PARAMETER;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        return printError(GetLastError());
    }
    DWORD count = 0;
    const BOOL ok = GetProcessHandleCount(process, &count);
    const DWORD error = GetLastError();
    CloseHandle(process);
    if (!ok) {
        return printError(error);
    }
    if (count != 0) {
        std::printf("handles=%lu source=GetProcessHandleCount\n", count);
        return 0;
    }
    unsigned long listed = 0;
    if (!countInSystemList(pid, listed)) {
        return printError(ERROR_NOT_SUPPORTED);
    }
    std::printf("handles=%lu source=system-handle-list\n", listed);
    return 0;
}
