#include "hotfix/apply_hotfix.h"

#include <windows.h>
#include <io.h>

#include <optional>
#include <utility>

#include "common/module_path.h"
#include "common/win_handle.h"
#include "events/event_report.h"
#include "hotfix/descriptor_file.h"
#include "hotfix/hotfix_descriptor.h"
#include "hotfix/hotfix_objects.h"
#include "hotfix/hotfix_parameters.h"
#include "hotfix/hotfix_paths.h"
#include "hotfix/installer_wait.h"
#include "hotfix/run_and_wait.h"
#include "hotfix/system_program.h"
#include "log/logger.h"
#include "trust/held_object.h"

namespace {

void tooLong(const char* format, const std::string& what, std::size_t length, std::size_t limit)
{
    Logger::getInstance()->writeFormat(format, static_cast<int>(length));
    reportEvent(EVENT_HOTFIX_TOO_LONG, {what, std::to_string(length), std::to_string(limit)});
}

void cleanupRefused(const std::string& directory, const std::string& reason)
{
    reportEvent(EVENT_HOTFIX_CLEANUP_REFUSED, {directory, reason});
}

// The descriptor, held with the right to delete it through the same handle. Only a descriptor
// that is not there means that no hotfix is offered: one that someone holds open, or that cannot
// be opened for another reason, is refused like any hotfix object that cannot be checked.
bool getHotfixVersion(const std::string& descriptorPath, ScopedHandle& file, HotfixDescriptor& descriptor)
{
    bool absent = false;
    file = openTrustedObject(descriptorPath, DELETE, &absent);
    if (!file.valid()) {
        if (absent) {
            Logger::getInstance()->write("getHotfixVersion failed!");
        }
        return false;
    }
    // The run-time reads, and closes, a handle of its own to the same open file.
    HANDLE reader = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file.get(), GetCurrentProcess(), &reader, 0, FALSE,
                         DUPLICATE_SAME_ACCESS) ||
        !readDescriptorFile(ScopedHandle(reader),
                            [&descriptor](const char* read) { readDescriptorLine(descriptor, read); })) {
        Logger::getInstance()->write("getHotfixVersion failed!");
        return false;
    }
    return true;
}

// Deleted when the handle is closed; the result is not looked at, as for any deletion of the
// descriptor.
void deleteThrough(ScopedHandle& file)
{
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
    file.reset();
}

// The descriptor goes first, through its handle: once the command has removed the directory,
// someone could put a link in its place, and a deletion by path would follow it. The directory is
// let go just before, since the command removes it. The command interpreter is named by its full
// path: a search would look in the service's own directory first.
void removeHotfixDirectory(const HotfixPaths& paths, ScopedHandle& directory, ScopedHandle& descriptorFile)
{
    Logger::getInstance()->writeFormat("%s is not exist!", paths.installer.c_str());
    deleteThrough(descriptorFile);
    const std::optional<std::string> parameters = cleanupParameters(paths.directory);
    unsigned long error = 0;
    const std::optional<std::string> interpreter = systemProgram("cmd.exe", error);
    if (!parameters) {
        const char refusal = cleanupRefusal(paths.directory);
        Logger::getInstance()->writeFormat("hotfix dir not removed, '%c' in path: %s", refusal,
                                           paths.directory.c_str());
        cleanupRefused(paths.directory, std::string("its path holds '") + refusal +
                                            "', which the command interpreter would expand");
    } else if (!interpreter) {
        Logger::getInstance()->writeFormat("GetSystemDirectory failed (%d)", static_cast<int>(error));
        cleanupRefused(paths.directory, "GetSystemDirectory failed with error " + std::to_string(error));
    } else {
        directory.reset();
        if (runAndWait(interpreter->c_str(), parameters->c_str()) != 0) {
            reportEvent(EVENT_HOTFIX_REMOVED, {paths.directory});
        }
    }
}

}  // namespace

void applyHotfix()
{
    std::string modulePath;
    unsigned long error = 0;
    // Without the executable's path there is no install root; "\hotfix" on the current drive
    // is not a directory the install layout names.
    if (!readModulePath(modulePath, error)) {
        Logger::getInstance()->writeFormat("GetModuleFileName failed (%d)", static_cast<int>(error));
        reportEvent(EVENT_PATH_UNREADABLE, {std::to_string(error)});
        return;
    }
    applyHotfixFor(modulePath);
}

void applyHotfixFor(const std::string& modulePath)
{
    const std::optional<std::string> installRoot = installRootOf(modulePath);
    if (!installRoot) {
        Logger::getInstance()->writeFormat("hotfix path not found (%s)", modulePath.c_str());
        return;
    }
    if (!installRootFits(*installRoot)) {
        tooLong("hotfix path too long (%d)", "the install root " + *installRoot, installRoot->size(),
                kMaxInstallRootChars);
        return;
    }
    const HotfixPaths paths = hotfixPathsUnder(*installRoot);

    // Nothing offered: nothing to wait for. A directory that may not be used skips the whole
    // step, the wait for a running installer included.
    bool absent = false;
    ScopedHandle directory = openTrustedDirectory(paths.directory, absent);
    if (directory.valid()) {
        // A running installer may change or remove its own directory: it is let go meanwhile,
        // and whatever is there afterwards is checked anew.
        directory.reset();
        // A stop meanwhile leaves the hotfix as it is.
        if (!waitForRunningInstallers(paths.installer)) {
            return;
        }
        directory = openTrustedDirectory(paths.directory, absent);
    }
    if (absent) {
        Logger::getInstance()->write("getHotfixVersion failed!");
    }
    ScopedHandle descriptorFile;
    HotfixDescriptor descriptor;
    if (!directory.valid() || !getHotfixVersion(paths.descriptor, descriptorFile, descriptor)) {
        return;
    }
    const char* verb = hotfixVerb(descriptor.optType);
    if (verb == nullptr) {
        Logger::getInstance()->writeFormat("getHotfixConfig failed,optType:%d", descriptor.optType);
        reportEvent(EVENT_HOTFIX_UNKNOWN_OPERATION, {paths.descriptor, std::to_string(descriptor.optType)});
        return;
    }

    // access() reports directories too: a directory named hotfixs.exe counts as the installer.
    if (access(paths.installer.c_str(), 0) != 0) {
        removeHotfixDirectory(paths, directory, descriptorFile);
        return;
    }
    // One that has gone since it was looked for cannot be checked either.
    ScopedHandle installer = openTrustedObject(paths.installer);
    if (!installer.valid()) {
        return;
    }
    // Only the installer takes the version: a long one must not hide a refused type or block
    // the clean-up.
    if (descriptor.versionTooLong) {
        tooLong("hotfix version too long (%d)", "the version text in " + paths.descriptor,
                descriptor.version.size(), kMaxVersionChars);
        return;
    }
    // Let go once the installer's process exists, so that it may change or remove its own
    // directory and descriptor.
    launchHotfixInstaller(paths.installer.c_str(), paths.directory.c_str(), descriptor.version.c_str(), verb,
                          [&installer, &descriptorFile, &directory] {
                              installer.reset();
                              descriptorFile.reset();
                              directory.reset();
                          });
}
