#include "hotfix/apply_hotfix.h"

#include <windows.h>
#include <io.h>

#include <optional>

#include "common/module_path.h"
#include "hotfix/descriptor_file.h"
#include "hotfix/hotfix_descriptor.h"
#include "hotfix/hotfix_parameters.h"
#include "hotfix/hotfix_paths.h"
#include "hotfix/installer_wait.h"
#include "hotfix/run_and_wait.h"
#include "log/logger.h"

namespace {

bool getHotfixVersion(const std::string& descriptorPath, HotfixDescriptor& descriptor)
{
    return readDescriptorFile(descriptorPath,
                              [&descriptor](const char* read) { readDescriptorLine(descriptor, read); });
}

void removeHotfixDirectory(const HotfixPaths& paths)
{
    Logger::getInstance()->writeFormat("%s is not exist!", paths.installer.c_str());
    const std::optional<std::string> parameters = cleanupParameters(paths.directory);
    if (parameters) {
        runAndWait("cmd", parameters->c_str());
    } else {
        Logger::getInstance()->writeFormat("hotfix dir not removed, '%%' in path: %s",
                                           paths.directory.c_str());
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

    waitForRunningInstallers();
    HotfixDescriptor descriptor;
    if (!getHotfixVersion(paths.descriptor, descriptor)) {
        Logger::getInstance()->write("getHotfixVersion failed!");
        return;
    }
    const char* verb = hotfixVerb(descriptor.optType);
    if (verb == nullptr) {
        Logger::getInstance()->writeFormat("getHotfixConfig failed,optType:%d", descriptor.optType);
        return;
    }

    // access() reports directories too: a directory named hotfixs.exe counts as the installer.
    if (access(paths.installer.c_str(), 0) != 0) {
        removeHotfixDirectory(paths);
        return;
    }
    // Only the installer takes the version: a long one must not hide a refused type or block
    // the clean-up.
    if (descriptor.versionTooLong) {
        Logger::getInstance()->writeFormat("hotfix version too long (%d)",
                                           static_cast<int>(descriptor.version.size()));
        return;
    }
    launchHotfixInstaller(paths.installer.c_str(), paths.directory.c_str(), descriptor.version.c_str(), verb);
}
