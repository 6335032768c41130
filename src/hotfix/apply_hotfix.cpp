#include "hotfix/apply_hotfix.h"

#include <windows.h>
#include <io.h>

#include <optional>
#include <utility>

#include "common/module_path.h"
#include "common/system_program.h"
#include "common/trust_check.h"
#include "common/win_handle.h"
#include "hotfix/descriptor_file.h"
#include "hotfix/hotfix_descriptor.h"
#include "hotfix/hotfix_parameters.h"
#include "hotfix/hotfix_paths.h"
#include "hotfix/installer_wait.h"
#include "hotfix/run_and_wait.h"
#include "log/logger.h"

namespace {

bool notFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Writes why, and returns false, when someone other than the trusted accounts could have
// changed the open object at `path`.
bool trusted(const std::string& path, HANDLE object)
{
    const std::optional<std::string> distrust = distrustOf(object);
    if (distrust) {
        Logger::getInstance()->writeFormat("hotfix not trusted: %s %s", path.c_str(), distrust->c_str());
    }
    return !distrust;
}

// Opens the object at `path` and holds it, sharing reading only, if nobody but the trusted
// accounts could have changed it; otherwise writes why and returns an invalid handle. Checked
// through the handle that is then used, so nothing can be swapped in between. Where the caller
// asks for `absent`, an object that is not there is left to it to report.
ScopedHandle openTrusted(const std::string& path, bool* absent = nullptr)
{
    ScopedHandle object(openHeld(path));
    const DWORD openError = object.valid() ? ERROR_SUCCESS : GetLastError();
    if (absent != nullptr) {
        *absent = notFound(openError);
        if (*absent) {
            return object;
        }
    }
    if (!object.valid()) {
        Logger::getInstance()->writeFormat("hotfix not trusted: %s cannot be checked (%d)", path.c_str(),
                                           static_cast<int>(openError));
    } else if (!trusted(path, object.get())) {
        object.reset();
    }
    return object;
}

bool getHotfixVersion(const std::string& descriptorPath, HotfixDescriptor& descriptor)
{
    ScopedHandle file(openHeld(descriptorPath));
    if (!file.valid()) {
        Logger::getInstance()->write("getHotfixVersion failed!");
        return false;
    }
    if (!trusted(descriptorPath, file.get())) {
        return false;
    }
    if (!readDescriptorFile(std::move(file),
                            [&descriptor](const char* read) { readDescriptorLine(descriptor, read); })) {
        Logger::getInstance()->write("getHotfixVersion failed!");
        return false;
    }
    return true;
}

// The command interpreter by its full path: a search would look in the service's own directory
// first. The hotfix directory is let go just before, since the command removes it.
void removeHotfixDirectory(const HotfixPaths& paths, ScopedHandle& directory)
{
    Logger::getInstance()->writeFormat("%s is not exist!", paths.installer.c_str());
    const std::optional<std::string> parameters = cleanupParameters(paths.directory);
    unsigned long error = 0;
    const std::optional<std::string> interpreter = systemProgram("cmd.exe", error);
    if (!parameters) {
        Logger::getInstance()->writeFormat("hotfix dir not removed, '%c' in path: %s",
                                           cleanupRefusal(paths.directory), paths.directory.c_str());
    } else if (!interpreter) {
        Logger::getInstance()->writeFormat("GetSystemDirectory failed (%d)", static_cast<int>(error));
    } else {
        directory.reset();
        runAndWait(interpreter->c_str(), parameters->c_str());
    }
    DeleteFileA(paths.descriptor.c_str());
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
        Logger::getInstance()->writeFormat("hotfix path too long (%d)",
                                           static_cast<int>(installRoot->size()));
        return;
    }
    const HotfixPaths paths = hotfixPathsUnder(*installRoot);

    // Nothing offered: nothing to wait for. A directory that others could change skips the whole
    // step, the wait for a running installer included.
    bool absent = false;
    ScopedHandle directory = openTrusted(paths.directory, &absent);
    if (directory.valid()) {
        // A running installer may change or remove its own directory: it is let go meanwhile.
        directory.reset();
        waitForRunningInstallers();
        directory = openTrusted(paths.directory, &absent);
    }
    if (absent) {
        Logger::getInstance()->write("getHotfixVersion failed!");
    }
    HotfixDescriptor descriptor;
    if (!directory.valid() || !getHotfixVersion(paths.descriptor, descriptor)) {
        return;
    }
    const char* verb = hotfixVerb(descriptor.optType);
    if (verb == nullptr) {
        Logger::getInstance()->writeFormat("getHotfixConfig failed,optType:%d", descriptor.optType);
        return;
    }

    // access() reports directories too: a directory named hotfixs.exe counts as the installer.
    if (access(paths.installer.c_str(), 0) != 0) {
        removeHotfixDirectory(paths, directory);
        return;
    }
    // One that has gone since it was looked for cannot be checked either.
    ScopedHandle installer = openTrusted(paths.installer);
    if (!installer.valid()) {
        return;
    }
    // Only the installer takes the version: a long one must not hide a refused type or block
    // the clean-up.
    if (descriptor.versionTooLong) {
        Logger::getInstance()->writeFormat("hotfix version too long (%d)",
                                           static_cast<int>(descriptor.version.size()));
        return;
    }
    // Held until the installer's process exists, so that what runs is what was checked; then let
    // go, so that the installer may change or remove its own directory.
    launchHotfixInstaller(paths.installer.c_str(), paths.directory.c_str(), descriptor.version.c_str(), verb,
                          [&installer, &directory] {
                              installer.reset();
                              directory.reset();
                          });
}
