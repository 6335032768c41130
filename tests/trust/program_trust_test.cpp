#include "trust/program_trust.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_support.h"

// At a start, each exposed program file gets a line, and so does each folder through which
// someone else could put another program directory in place of this one: the companion open to
// everyone here, and the install root, which everyone may rename, taking the program directory
// with it.
TEST(ProgramTrust, StartNamesTheExposedCompanionAndTheFoldersAboveThatOthersCouldMove)
{
    const ScratchDirectory scratch("qelt-program");
    const std::string root = scratch.path + "\\Suite";
    const std::string directory = root + "\\bin";
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr) && CreateDirectoryA(directory.c_str(), nullptr));
    ASSERT_TRUE(writeBytes(directory + "\\QeltWatch.exe", "the service"));
    ASSERT_TRUE(writeBytes(directory + "\\qelt-monitor.exe", "the companion"));
    ASSERT_TRUE(openToEveryone(directory + "\\qelt-monitor.exe"));
    ASSERT_TRUE(openToEveryone(root));

    clearServiceLog();
    warnIfProgramUntrustedFor(directory + "\\QeltWatch.exe", directory + "\\qelt-monitor.exe");
    const std::string movable = " can be renamed or re-permissioned by Everyone";
    EXPECT_EQ(serviceLogMessages(),
              (std::vector<std::string>{
                  "program not trusted: " + directory + "\\qelt-monitor.exe writable by Everyone",
                  "program not trusted: " + directory + movable, "program not trusted: " + root + movable}));
}
