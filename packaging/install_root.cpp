// The package's custom actions that give the install root its access list (packaging/
// QeltWatch.wxs). Both run deferred, as LocalSystem, and write each step to the installer's log.
//
// PrepareInstallRoot runs before anything is removed or installed, with the install root as
// CustomActionData. A root that exists must be one that only the trusted accounts (LocalSystem,
// Administrators, TrustedInstaller) own and may change, and no folder above it may be renamed or
// re-permissioned by anyone else, by the rules the service itself applies, and it may hold nothing
// but the package's bin and hotfix folders, since its access list is replaced: otherwise the install
// fails (1603) with one line saying why, and nothing is installed. Then the root gets a protected
// access list of SYSTEM and Administrators alone, which everything below it inherits; a root that
// does not exist yet is created with it, and so is each missing folder above it.
//
// OpenMessageFile runs once the files are in place, with the program directory: users may read
// and run bin\QeltWatch.exe, the Event Log's message file, and nothing else.
#include <windows.h>
#include <aclapi.h>
#include <msiquery.h>
#include <sddl.h>

#include <optional>
#include <string>
#include <vector>

#include "common/program_path.h"
#include "common/win_handle.h"
#include "msi_support.h"
#include "trust/exposed_folders.h"
#include "trust/install_root_access.h"
#include "trust/process_rules.h"
#include "trust/trust_check.h"

namespace {

// Only to read its security, never following a link; the path in UTF-8.
HANDLE openUtf8ToInspect(const std::string& path)
{
    return CreateFileW(utf16Of(path).c_str(), READ_CONTROL,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool isNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Why the existing root itself may not be used; empty when it may. `exists` tells whether it does.
std::optional<std::string> rootRefusal(const std::string& root, bool& exists)
{
    ScopedHandle handle(openUtf8ToInspect(root));
    const DWORD openError = handle.valid() ? ERROR_SUCCESS : GetLastError();
    exists = !isNotFound(openError);
    if (!exists) {
        return std::nullopt;
    }
    if (!handle.valid()) {
        return "cannot be checked (" + std::to_string(openError) + ")";
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(handle.get(), &information)) {
        return "cannot be checked (" + std::to_string(GetLastError()) + ")";
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return std::string("is a link");
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::string("is not a folder");
    }
    return distrustOf(handle.get());
}

// The first name in `root` that the package does not lay out: its access list is about to be
// replaced, and a folder that holds other programs (C:\Program Files, say) must keep its own.
std::optional<std::string> foreignEntryIn(const std::string& root)
{
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW(utf16Of(root + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<std::string> foreign;
    do {
        const std::string name = utf8Of(found.cFileName);
        if (name != "." && name != ".." && !samePathText(name, "bin") && !samePathText(name, "hotfix")) {
            foreign = name;
        }
    } while (!foreign && FindNextFileW(search, &found));
    FindClose(search);
    return foreign;
}

// The first reason not to use `root`, naming the folder it concerns; empty when there is none.
std::optional<std::string> refusalOf(const std::string& root, bool& exists)
{
    if (!isLocalVolumePath(root) || foldersAbove(root).empty()) {
        return root + " is not a folder on a local volume";
    }
    const std::optional<std::string> own = rootRefusal(root, exists);
    if (own) {
        return root + " " + *own;
    }
    const std::optional<std::string> foreign = exists ? foreignEntryIn(root) : std::nullopt;
    if (foreign) {
        return root + " holds " + *foreign + ", which is not QeltWatch's";
    }
    const std::vector<FolderExposure> exposures = exposedFolders(root, openUtf8ToInspect);
    if (!exposures.empty()) {
        return exposures.front().folder + " " + exposures.front().reason;
    }
    return std::nullopt;
}

struct SecurityDescriptor {
    explicit SecurityDescriptor(const char* sddl)
    {
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &value, nullptr);
    }
    ~SecurityDescriptor() { LocalFree(value); }
    SecurityDescriptor(const SecurityDescriptor&) = delete;
    SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;

    PACL accessList() const
    {
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL list = nullptr;
        return value != nullptr && GetSecurityDescriptorDacl(value, &present, &list, &defaulted) && present
                   ? list
                   : nullptr;
    }

    PSECURITY_DESCRIPTOR value = nullptr;
};

// Creates the root, and each missing folder above it, with the root's access list: a folder
// created with what C:\ passes on would let users rename it.
DWORD createWithAccessList(const std::string& root, const SecurityDescriptor& descriptor)
{
    std::vector<std::string> missing = {root};
    for (const std::string& above : foldersAbove(root)) {
        if (GetFileAttributesW(utf16Of(above).c_str()) != INVALID_FILE_ATTRIBUTES) {
            break;
        }
        missing.push_back(above);
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.value, FALSE};
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (!CreateDirectoryW(utf16Of(*folder).c_str(), &attributes)) {
            return GetLastError();
        }
    }
    return ERROR_SUCCESS;
}

// Protected: nothing of what the folders above grant reaches it or anything below.
DWORD setAccessList(const std::string& path, const SecurityDescriptor& descriptor, bool isProtected)
{
    std::wstring wide = utf16Of(path);
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION |
        (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    return SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, what, nullptr, nullptr, descriptor.accessList(),
                                 nullptr);
}

std::string withoutLastBackslash(std::string path)
{
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall PrepareInstallRoot(MSIHANDLE install)
{
    const std::string root = withoutLastBackslash(actionDirectory(install));
    bool exists = false;
    const std::optional<std::string> refusal = refusalOf(root, exists);
    if (refusal) {
        note(install,
             "the install root " + root + " is refused: " + *refusal +
                 "; nothing is installed. Give it to Administrators, or choose another INSTALLROOT.");
        return ERROR_INSTALL_FAILURE;
    }
    const SecurityDescriptor descriptor(kInstallRootSddl);
    const DWORD error = descriptor.value == nullptr ? GetLastError()
                        : exists                    ? setAccessList(root, descriptor, true)
                                                    : createWithAccessList(root, descriptor);
    if (error != ERROR_SUCCESS) {
        note(install,
             "the install root " + root + " cannot be given its access list, error " + std::to_string(error));
        return ERROR_INSTALL_FAILURE;
    }
    note(install, "the install root " + root + " is open to SYSTEM and Administrators alone (" +
                      kInstallRootSddl + ")");
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall OpenMessageFile(MSIHANDLE install)
{
    const std::string executable = actionDirectory(install) + "QeltWatch.exe";
    const SecurityDescriptor descriptor(kMessageFileSddl);
    const DWORD error =
        descriptor.value == nullptr ? GetLastError() : setAccessList(executable, descriptor, false);
    if (error != ERROR_SUCCESS) {
        note(install, executable + " cannot be opened to users, error " + std::to_string(error));
        return ERROR_INSTALL_FAILURE;
    }
    note(install,
         executable + " may be read and run by users (" + kMessageFileSddl + "), for its event texts");
    return ERROR_SUCCESS;
}
