#include "trust/program_trust.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_support.h"

// At a start, each exposed program file gets a line, and so does each folder through which
// someone else could put another program directory in place of this one: the companion open to
// everyone here, the install root, which everyone may rename, taking the program directory with
// it, and the folder above it, two levels above the program directory, open too.
TEST(ProgramTrust, StartNamesTheExposedCompanionAndTheFoldersAboveThatOthersCouldMove)
{
    const ScratchDirectory scratch("qelt-program");
    const std::string fleet = scratch.path + "\\Fleet";
    const std::string root = fleet + "\\Suite";
    const std::string directory = root + "\\bin";
    for (const std::string& folder : {fleet, root, directory}) {
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    }
    ASSERT_TRUE(writeBytes(directory + "\\QeltWatch.exe", "the service"));
    ASSERT_TRUE(writeBytes(directory + "\\qelt-monitor.exe", "the companion"));
    ASSERT_TRUE(openToEveryone(directory + "\\qelt-monitor.exe"));
    ASSERT_TRUE(openToEveryone(root));
    ASSERT_TRUE(openToEveryone(fleet));

    clearServiceLog();
    warnIfProgramUntrustedFor(directory + "\\QeltWatch.exe", directory + "\\qelt-monitor.exe");
    const std::string movable = " can be renamed or re-permissioned by Everyone";
    EXPECT_EQ(serviceLogMessages(),
              (std::vector<std::string>{
                  "program not trusted: " + directory + "\\qelt-monitor.exe writable by Everyone",
                  "program not trusted: " + directory + movable, "program not trusted: " + root + movable,
                  "program not trusted: " + fleet + movable}));
}
