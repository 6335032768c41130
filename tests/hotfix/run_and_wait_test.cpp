#include "hotfix/run_and_wait.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hotfix/hotfix_test_support.h"

// A program that runs and fails counts as started. A missing program and a directory fail at
// once (the shell would wait on an error dialog, or open the directory in a file manager that
// never ends), logged with the parameters.
TEST(RunAndWait, OnlyAStartThatFailsIsLogged)
{
    ScratchDirectory scratch("qelt-run");
    const std::string directory = scratch.path() + "\\hotfixs.exe";
    makeDirectories(directory);
    const std::string parameters = "\"C:\\x\" 2.0 doinstall";
    const std::string failed = "delete param :" + parameters + " failed!";
    const struct {
        std::string file;
        std::string parameters;
        bool started;
        std::vector<std::string> log;
    } cases[] = {
        {"cmd", "/c exit 3", true, {}},
        {scratch.path() + "\\absent\\hotfixs.exe", parameters, false, {failed}},
        {directory, parameters, false, {failed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        clearServiceLog();
        EXPECT_EQ(runAndWait(c.file.c_str(), c.parameters.c_str()) != 0, c.started);
        EXPECT_EQ(serviceLogMessages(), c.log);
    }
    clearServiceLog();
}
