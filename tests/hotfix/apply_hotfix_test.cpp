#include "hotfix/apply_hotfix.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/test_support.h"

namespace fs = std::filesystem;

namespace {

using Messages = std::vector<std::string>;

// Install roots in a scratch directory, each with a hotfix directory; the step is given the path
// of an executable in a program directory under the root.
class ApplyHotfixTest : public ::testing::Test {
protected:
    void SetUp() override { clearServiceLog(); }
    void TearDown() override
    {
        for (const std::string& link : links_) {
            EXPECT_TRUE(removeSymbolicLink(link)) << link;
        }
    }

    std::string installIn(const std::string& rootName)
    {
        hotfix_ = scratch_.path + "\\" + rootName + "\\hotfix";
        fs::create_directories(hotfix_);
        return scratch_.path + "\\" + rootName + "\\bin\\QeltWatch.exe";
    }

    // The name that gives an install root of `length` characters.
    std::string rootNameOf(std::size_t length) const
    {
        return std::string(length - scratch_.path.size() - 1, 'r');
    }

    std::string descriptor() const { return hotfix_ + "\\hotfix.ini"; }
    std::string installer() const { return hotfix_ + "\\hotfixs.exe"; }

    // Each "<hotfix>" in `messages` stands for the hotfix directory.
    Messages withHotfixDirectory(Messages messages) const
    {
        for (std::string& message : messages) {
            for (std::string::size_type at = message.find("<hotfix>"); at != std::string::npos;
                 at = message.find("<hotfix>", at + hotfix_.size())) {
                message.replace(at, 8, hotfix_);
            }
        }
        return messages;
    }

    // Moves what is at `path` to `target` and puts a symbolic link to it in its place.
    bool linkInPlace(const std::string& path, const std::string& target)
    {
        if (!MoveFileA(path.c_str(), target.c_str()) || !makeSymbolicLink(path, target)) {
            return false;
        }
        links_.push_back(path);
        return true;
    }

    // The installer fixture records each run beside itself, one record a line.
    int installerRecords(const std::string& kind) const
    {
        int count = 0;
        std::istringstream journal(readBytes(hotfix_ + "\\installer-runs.txt"));
        for (std::string line; std::getline(journal, line);) {
            count += line.rfind(kind + " ", 0) == 0 ? 1 : 0;
        }
        return count;
    }

    ScratchDirectory scratch_{"qelt-apply"};
    std::string hotfix_;
    std::vector<std::string> links_;
};

}  // namespace

// Each in an install root of its own. Only the installer takes the version: a long one neither
// hides a refused type nor keeps a hotfix without installer from being removed. Nothing that
// another account could have changed, and nothing reached through a link or by another name, is
// read or run, and nothing is deleted then.
TEST_F(ApplyHotfixTest, OutcomesThatRunNoInstaller)
{
    // Besides the descriptor: an installer that is a directory or a file that is no program, one of
    // them open to everyone, the descriptor held open by someone who does not share its deletion,
    // the install root open to everyone, or a link or second name.
    // clang-format off
    enum class Setup { None, Folder, File, OpenIni, HeldIni, OpenExe, OpenRoot, LinkDir, LinkIni, LinkExe, TwoNames };
    enum class Left { All, Directory, Nothing };
    const std::string tooLong(260, 'v');
    const std::string valid = "2.0\n0\n";
    const std::string missing = "<hotfix>\\hotfixs.exe is not exist!";
    const std::string notRemoved = "hotfix dir not removed, '";
    const std::string parameters = "\"<hotfix>\" 2.0 doinstall";
    const std::string refused = "hotfix not trusted: <hotfix>";
    const struct {
        std::string rootName;
        std::string descriptor;
        Setup setup;
        Messages log;
        Left left;
    } cases[] = {
        {"Refused", tooLong + "\n5\n", Setup::None, {"getHotfixConfig failed,optType:5"}, Left::All},
        // Unquoted, cmd would remove "...\\No" and ".\\installer", then run "co\\hotfix".
        {"No installer & co", tooLong + "\n0\n", Setup::None, {missing}, Left::Nothing},
        // cmd would put its current directory in place of %CD%, quoted or not, and with delayed
        // expansion drop the '!'.
        {"E%CD%", valid, Setup::None, {missing, notRemoved + "%' in path: <hotfix>"}, Left::Directory},
        {"E!x", valid, Setup::None, {missing, notRemoved + "!' in path: <hotfix>"}, Left::Directory},
        {rootNameOf(240), valid, Setup::None, {"hotfix path too long (240)"}, Left::All},
        // A directory named hotfixs.exe counts as an installer, but is never opened.
        {"Directory", valid, Setup::Folder, {parameters, "delete param :" + parameters + " failed!"},
         Left::All},
        // The longest root: its 246-character hotfix directory and a version of 259 do not fit
        // the parameters.
        {rootNameOf(239), tooLong.substr(1) + "\n1\n", Setup::Folder, {"hotfix param too long (520)"},
         Left::All},
        {"Open ini", valid, Setup::OpenIni, {refused + "\\hotfix.ini writable by Everyone"}, Left::All},
        {"Held ini", valid, Setup::HeldIni, {refused + "\\hotfix.ini cannot be checked (32)"}, Left::All},
        {"Open exe", valid, Setup::OpenExe, {refused + "\\hotfixs.exe writable by Everyone"}, Left::All},
        // Another folder's rights decide who may rename the hotfix directory.
        {"Open root", valid, Setup::OpenRoot, {refused + " can be renamed or re-permissioned by Everyone"},
         Left::All},
        {"Linked directory", valid, Setup::LinkDir, {refused + " leads to <hotfix>-real"}, Left::All},
        {"Linked descriptor", valid, Setup::LinkIni, {refused + "\\hotfix.ini leads to <hotfix>\\real.ini"},
         Left::All},
        {"Linked installer", valid, Setup::LinkExe, {refused + "\\hotfixs.exe leads to <hotfix>\\real.exe"},
         Left::All},
        {"Second name", valid, Setup::TwoNames, {refused + "\\hotfixs.exe has 2 names"}, Left::All},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rootName);
        clearServiceLog();
        const std::string executable = installIn(c.rootName);
        ASSERT_TRUE(writeBytes(descriptor(), c.descriptor));
        if (c.setup == Setup::Folder) {
            fs::create_directory(installer());
        } else if (c.setup != Setup::None) {
            ASSERT_TRUE(writeBytes(installer(), "not run"));
        }
        ScopedHandle holder;
        const std::map<Setup, std::function<bool()>> arrangements = {
            {Setup::OpenIni, [&] { return openToEveryone(descriptor()); }},
            {Setup::HeldIni,
             [&] {
                 holder.reset(CreateFileA(descriptor().c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                          nullptr));
                 return holder.valid();
             }},
            {Setup::OpenExe, [&] { return openToEveryone(installer()); }},
            {Setup::OpenRoot, [&] { return openToEveryone(hotfix_ + "\\.."); }},
            {Setup::LinkDir, [&] { return linkInPlace(hotfix_, hotfix_ + "-real"); }},
            {Setup::LinkIni, [&] { return linkInPlace(descriptor(), hotfix_ + "\\real.ini"); }},
            {Setup::LinkExe, [&] { return linkInPlace(installer(), hotfix_ + "\\real.exe"); }},
            {Setup::TwoNames,
             [&] {
                 return bool(CreateHardLinkA((hotfix_ + "\\copy.exe").c_str(), installer().c_str(), nullptr));
             }},
        };
        const auto arrangement = arrangements.find(c.setup);
        ASSERT_TRUE(arrangement == arrangements.end() || arrangement->second());
        applyHotfixFor(executable);
        EXPECT_EQ(serviceLogMessages(), withHotfixDirectory(c.log));
        EXPECT_EQ(fs::exists(hotfix_), c.left != Left::Nothing);
        EXPECT_EQ(fs::exists(descriptor()), c.left == Left::All);
    }
}

// The step waits for the installer, which removes the descriptor or, leaving it, runs again at
// the next step. A version of 259 characters is the longest it is given.
TEST_F(ApplyHotfixTest, InstallerRunsUntilItRemovesTheDescriptor)
{
    const std::string executable = installIn("Qelt root & co");
    ASSERT_TRUE(CopyFileA(besideTests("fixture_installer.exe").c_str(), installer().c_str(), FALSE));
    const std::string mode = hotfix_ + "\\installer-mode.txt";
    const std::string longest(259, 'v');

    // It sleeps, then deletes the descriptor: both are done by the time the step returns.
    ASSERT_TRUE(writeBytes(mode, "sleep 300"));
    ASSERT_TRUE(writeBytes(descriptor(), longest + "\r\n1\r\n"));
    applyHotfixFor(executable);
    EXPECT_EQ(installerRecords("end"), 1);
    EXPECT_FALSE(fs::exists(descriptor()));

    // It leaves the descriptor: a version too long runs nothing, a valid one runs at every step.
    ASSERT_TRUE(writeBytes(mode, "leave"));
    ASSERT_TRUE(writeBytes(descriptor(), longest + "v\n0\n"));
    applyHotfixFor(executable);
    ASSERT_TRUE(writeBytes(descriptor(), "2.0\n0\n"));
    applyHotfixFor(executable);
    applyHotfixFor(executable);

    EXPECT_EQ(installerRecords("begin"), 3);
    EXPECT_TRUE(fs::exists(descriptor()));
    const std::string quoted = "\"" + hotfix_ + "\" ";
    EXPECT_EQ(serviceLogMessages(),
              (Messages{quoted + longest + " douninstall", "hotfix version too long (260)",
                        quoted + "2.0 doinstall", quoted + "2.0 doinstall"}));
}

// The step waits only for an installer run from this root's hotfix directory, whatever the letter
// case it was started by, never for one of the same name from elsewhere, and uses nothing it
// checked before the wait: a directory put in place meanwhile is checked anew, and one that others
// could change runs nothing.
TEST_F(ApplyHotfixTest, WaitsOnlyForThisRootsInstallerAndChecksAgainAfterIt)
{
    const std::string executable = installIn("Waiting");
    const std::string fixture = besideTests("fixture_installer.exe");
    const std::string elsewhere = scratch_.path + "\\Elsewhere";
    fs::create_directories(elsewhere);
    // The installer's file spelt in capitals (Wine keeps the case it was created with, and lists
    // the process by it).
    const std::string capitals = hotfix_ + "\\HOTFIXS.EXE";
    for (const std::string& program : {elsewhere + "\\hotfixs.exe", capitals}) {
        ASSERT_TRUE(CopyFileA(fixture.c_str(), program.c_str(), FALSE));
        ASSERT_TRUE(writeBytes(program.substr(0, program.rfind('\\')) + "\\installer-mode.txt", "hang"));
    }
    const ScopedHandle lookAlike = startProgram(elsewhere + "\\hotfixs.exe");
    ScopedHandle running = startProgram(capitals);
    ASSERT_TRUE(lookAlike.valid() && running.valid());
    // Both have begun, and write their records beside where they started, before anything moves.
    ASSERT_TRUE(waitFor([&] {
        return installerRecords("begin") == 1 &&
               readBytes(elsewhere + "\\installer-runs.txt").find("begin") != std::string::npos;
    }));
    ASSERT_TRUE(writeBytes(descriptor(), "2.0\n0\n"));

    std::atomic<bool> returned{false};
    std::thread step([&] {
        applyHotfixFor(executable);
        returned = true;
    });
    const std::string waiting = "hotfixs.exe still running, waiting";
    EXPECT_TRUE(waitFor([&] { return serviceLogMessages() == Messages{waiting}; }));
    ASSERT_TRUE(MoveFileA(hotfix_.c_str(), (hotfix_ + ".old").c_str()));
    fs::create_directory(hotfix_);
    ASSERT_TRUE(openToEveryone(hotfix_));
    ASSERT_TRUE(writeBytes(descriptor(), "2.0\n0\n"));
    ASSERT_TRUE(CopyFileA(fixture.c_str(), installer().c_str(), FALSE));
    TerminateProcess(running.get(), 0);

    EXPECT_TRUE(waitFor([&] { return returned.load(); }, 5000)) << "still waiting for the look-alike";
    TerminateProcess(lookAlike.get(), 0);
    step.join();
    EXPECT_EQ(serviceLogMessages(),
              withHotfixDirectory({waiting, "hotfix not trusted: <hotfix> writable by Everyone"}));
    EXPECT_EQ(installerRecords("begin"), 0);
}
