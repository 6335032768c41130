#include "hotfix/hotfix_paths.h"

#include "common/names.h"
#include "common/program_path.h"

std::optional<std::string> installRootOf(const std::string& modulePath)
{
    std::string root = modulePath;
    if (!cutLastComponent(root)) {
        return std::nullopt;
    }
    // The second cut finds no separator only for a drive's root, which is then the root.
    cutLastComponent(root);
    return root;
}

HotfixPaths hotfixPathsUnder(const std::string& installRoot)
{
    HotfixPaths paths;
    paths.directory = installRoot + "\\hotfix";
    paths.descriptor = paths.directory + "\\hotfix.ini";
    paths.installer = paths.directory + "\\" + kInstallerFileName;
    return paths;
}
