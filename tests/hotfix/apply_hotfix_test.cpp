#include "hotfix/apply_hotfix.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/module_path.h"
#include "common/program_path.h"
#include "hotfix/hotfix_test_support.h"

namespace {

using Messages = std::vector<std::string>;

// An install root in a scratch directory: the executable's path under it, its hotfix directory,
// and the hotfix installer fixture (which records each run beside itself) when a test asks.
class ApplyHotfixTest : public ::testing::Test {
protected:
    void SetUp() override { clearServiceLog(); }
    void TearDown() override { clearServiceLog(); }

    // Names the install root and returns the executable path that has it as its install root.
    std::string installIn(const std::string& rootName)
    {
        root_ = scratch_.path() + "\\" + rootName;
        hotfix_ = root_ + "\\hotfix";
        installer_ = hotfix_ + "\\hotfixs.exe";
        makeDirectories(hotfix_);
        return root_ + "\\bin\\QeltWatch.exe";
    }

    // An install root whose path has exactly `length` characters.
    std::string installInRootOf(std::size_t length)
    {
        return installIn(std::string(length - scratch_.path().size() - 1, 'r'));
    }

    void writeDescriptor(const std::string& bytes) { ASSERT_TRUE(writeBytes(descriptor(), bytes)); }
    std::string descriptor() const { return hotfix_ + "\\hotfix.ini"; }

    // The installer fixture as hotfixs.exe, in a mode of installer-mode.txt: "sleep <ms>" deletes
    // the descriptor after that pause, "leave" leaves it.
    void placeInstaller(const std::string& mode)
    {
        std::string testsPath;
        unsigned long error = 0;
        ASSERT_TRUE(readModulePath(testsPath, error));
        const std::string fixture = siblingPath(testsPath, "fixture_installer.exe").value_or("");
        ASSERT_TRUE(CopyFileA(fixture.c_str(), installer_.c_str(), FALSE))
            << fixture << " " << GetLastError();
        ASSERT_TRUE(writeBytes(hotfix_ + "\\installer-mode.txt", mode));
    }

    // The installer's journal lines that begin with `key` and a blank, without them.
    std::vector<std::string> installerJournal(const std::string& key) const
    {
        std::vector<std::string> values;
        std::istringstream journal(readBytes(hotfix_ + "\\installer-runs.txt"));
        for (std::string line; std::getline(journal, line);) {
            if (line.rfind(key + " ", 0) == 0) {
                values.push_back(line.substr(key.size() + 1));
            }
        }
        return values;
    }

    ScratchDirectory scratch_{"qelt-apply"};
    std::string root_;
    std::string hotfix_;
    std::string installer_;
};

// The shell quotes the program's path in the command line as it sees fit; the parameters
// after it are the step's own.
bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

TEST_F(ApplyHotfixTest, RefusedOperationTypeLeavesTheHotfixAlone)
{
    const std::string executable = installIn("Suite");
    const struct {
        std::string bytes;
        std::string message;
    } cases[] = {
        {"2.0\r\n5\r\n", "getHotfixConfig failed,optType:5"},
        {"2.0\r\n-1\r\n", "getHotfixConfig failed,optType:-1"},
        {"", "getHotfixConfig failed,optType:-1"},
        {"2.0\r\n", "getHotfixConfig failed,optType:-1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        clearServiceLog();
        writeDescriptor(c.bytes);
        applyHotfixFor(executable);
        EXPECT_EQ(serviceLogMessages(), Messages{c.message});
        EXPECT_EQ(readBytes(descriptor()), c.bytes);
    }
}

TEST_F(ApplyHotfixTest, MissingInstallerRemovesExactlyTheHotfixDirectory)
{
    // Unquoted, cmd would remove "<scratch>\Qelt" and ".\root", then run "co\hotfix".
    const std::string executable = installIn("Qelt root & co");
    writeDescriptor("2.0\r\n1\r\n");
    makeDirectories(hotfix_ + "\\sub");
    ASSERT_TRUE(writeBytes(hotfix_ + "\\sub\\payload.dat", "x"));
    const std::vector<std::string> keep = {scratch_.path() + "\\Qelt\\keep.txt",
                                           root_ + "\\hotfix2\\keep.txt", root_ + "\\bin\\keep.txt",
                                           root_ + "\\keep.txt"};
    for (const std::string& file : keep) {
        makeDirectories(file.substr(0, file.rfind('\\')));
        ASSERT_TRUE(writeBytes(file, "keep"));
    }

    applyHotfixFor(executable);
    applyHotfixFor(executable);

    EXPECT_EQ(serviceLogMessages(), (Messages{installer_ + " is not exist!", "getHotfixVersion failed!"}));
    EXPECT_FALSE(pathExists(hotfix_));
    for (const std::string& file : keep) {
        EXPECT_TRUE(pathExists(file)) << file;
    }
}

TEST_F(ApplyHotfixTest, PercentInThePathSkipsTheCleanUpButDeletesTheDescriptor)
{
    // cmd would read this hotfix directory as "<scratch>\E0\hotfix".
    const std::string executable = installIn("E%ERRORLEVEL%");
    writeDescriptor("2.0\r\n0\r\n");
    ASSERT_TRUE(writeBytes(hotfix_ + "\\payload.dat", "x"));
    makeDirectories(scratch_.path() + "\\E0\\hotfix");
    ASSERT_TRUE(writeBytes(scratch_.path() + "\\E0\\hotfix\\keep.txt", "keep"));

    applyHotfixFor(executable);

    EXPECT_EQ(serviceLogMessages(),
              (Messages{installer_ + " is not exist!", "hotfix dir not removed, '%' in path: " + hotfix_}));
    EXPECT_FALSE(pathExists(descriptor()));
    EXPECT_TRUE(pathExists(hotfix_ + "\\payload.dat"));
    EXPECT_TRUE(pathExists(scratch_.path() + "\\E0\\hotfix\\keep.txt"));
}

// Only the installer takes the version: a long one neither hides a refused type nor blocks
// the clean-up (with an installer present, VersionOf259CharactersIsTheLongest).
TEST_F(ApplyHotfixTest, VersionTooLongStopsOnlyTheInstallerRun)
{
    const std::string tooLong(260, 'v');
    std::string executable = installIn("Refused");
    writeDescriptor(tooLong + "\n5\n");
    applyHotfixFor(executable);
    EXPECT_EQ(serviceLogMessages(), Messages{"getHotfixConfig failed,optType:5"});

    clearServiceLog();
    executable = installIn("NoInstaller");
    writeDescriptor(tooLong + "\n0\n");
    applyHotfixFor(executable);
    EXPECT_EQ(serviceLogMessages(), Messages{installer_ + " is not exist!"});
    EXPECT_FALSE(pathExists(hotfix_));
}

TEST_F(ApplyHotfixTest, InstallRootOf239CharactersIsTheLongest)
{
    const std::string tooLong = installInRootOf(240);
    writeDescriptor("2.0\n0\n");
    applyHotfixFor(tooLong);
    EXPECT_EQ(serviceLogMessages(), Messages{"hotfix path too long (240)"});
    EXPECT_TRUE(pathExists(descriptor()));

    // 246 + 259 characters do not fit the parameters; a directory named hotfixs.exe counts as
    // an installer.
    clearServiceLog();
    const std::string longest = installInRootOf(239);
    makeDirectories(installer_);
    writeDescriptor(std::string(259, 'v') + "\n1\n");
    applyHotfixFor(longest);
    EXPECT_EQ(serviceLogMessages(), Messages{"hotfix param too long (520)"});
    EXPECT_TRUE(pathExists(descriptor()));
}

TEST_F(ApplyHotfixTest, VersionOf259CharactersIsTheLongest)
{
    const std::string executable = installIn("Suite");
    placeInstaller("leave");
    writeDescriptor(std::string(260, 'v') + "\n0\n");
    applyHotfixFor(executable);
    EXPECT_EQ(serviceLogMessages(), Messages{"hotfix version too long (260)"});
    EXPECT_TRUE(pathExists(descriptor()));
    EXPECT_EQ(installerJournal("arg 2"), std::vector<std::string>{});

    writeDescriptor(std::string(259, 'v') + "\n0\n");
    applyHotfixFor(executable);
    EXPECT_EQ(installerJournal("arg 2"), std::vector<std::string>{std::string(259, 'v')});
}

TEST_F(ApplyHotfixTest, InstallerReceivesThreeArgumentsAndIsWaitedFor)
{
    const std::string executable = installIn("Qelt root & co");
    placeInstaller("sleep 300");
    writeDescriptor("2.0\r\n1\r\n");

    applyHotfixFor(executable);

    // The installer has ended, and deleted the descriptor, before the step returns.
    EXPECT_EQ(installerJournal("end").size(), 1u);
    EXPECT_FALSE(pathExists(descriptor()));
    const std::string parameters = "\"" + hotfix_ + "\" 2.0 douninstall";
    EXPECT_EQ(serviceLogMessages(), Messages{parameters});
    const std::vector<std::string> commandLines = installerJournal("cmdline");
    ASSERT_EQ(commandLines.size(), 1u);
    EXPECT_TRUE(endsWith(commandLines[0], "\\hotfixs.exe\" " + parameters)) << commandLines[0];
    EXPECT_EQ(installerJournal("argc"), std::vector<std::string>{"4"});
    EXPECT_EQ(installerJournal("arg 1"), std::vector<std::string>{hotfix_});
    EXPECT_EQ(installerJournal("arg 2"), std::vector<std::string>{"2.0"});
    EXPECT_EQ(installerJournal("arg 3"), std::vector<std::string>{"douninstall"});
}

TEST_F(ApplyHotfixTest, DescriptorLeftInPlaceRunsTheInstallerAgain)
{
    const std::string executable = installIn("Suite");
    placeInstaller("leave");
    writeDescriptor("\n0\n");

    applyHotfixFor(executable);
    applyHotfixFor(executable);

    // An empty version leaves two blanks, so the installer sees the verb second.
    const std::string parameters = "\"" + hotfix_ + "\"  doinstall";
    EXPECT_EQ(serviceLogMessages(), (Messages{parameters, parameters}));
    EXPECT_EQ(installerJournal("argc"), (std::vector<std::string>{"3", "3"}));
    EXPECT_EQ(installerJournal("arg 2"), (std::vector<std::string>{"doinstall", "doinstall"}));
    EXPECT_TRUE(pathExists(descriptor()));
}

TEST_F(ApplyHotfixTest, InstallerThatIsNoProgramKeepsTheDescriptor)
{
    const std::string executable = installIn("Suite");
    ASSERT_TRUE(writeBytes(installer_, "not a program"));
    writeDescriptor("2.0\n0\n");

    applyHotfixFor(executable);

    const std::string parameters = "\"" + hotfix_ + "\" 2.0 doinstall";
    EXPECT_EQ(serviceLogMessages(), (Messages{parameters, "delete param :" + parameters + " failed!"}));
    EXPECT_TRUE(pathExists(descriptor()));
}
