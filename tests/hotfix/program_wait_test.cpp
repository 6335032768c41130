#include "hotfix/program_wait.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_support.h"
#include "common/win_handle.h"
#include "service/service_state.h"
#include "service/service_stop.h"

namespace {

ScopedHandle program;

DWORD WINAPI endProgram(void*)
{
    Sleep(350);
    SetEvent(program.get());
    return 0;
}

DWORD WINAPI stopService(void*)
{
    Sleep(350);
    requestServiceStop();
    return 0;
}

}  // namespace

// A program that runs on is reported every time the warning's period passes, and still waited
// for; a stop ends the wait and leaves it running. (An event stands for the program's process.)
TEST(ProgramWait, WarnsWhileItRunsAndAnswersAStop)
{
    const struct {
        LPTHREAD_START_ROUTINE meanwhile;
        bool ended;
    } rows[] = {{endProgram, true}, {stopService, false}};
    for (const auto& row : rows) {
        openServiceStop();
        clearServiceLog();
        program.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        const ScopedHandle other(CreateThread(nullptr, 0, row.meanwhile, nullptr, 0, nullptr));
        EXPECT_EQ(waitForHotfixProgram(program.get(), "C:\\Qelt\\hotfix\\hotfixs.exe", 100), row.ended);
        WaitForSingleObject(other.get(), INFINITE);
        const std::vector<std::string> messages = serviceLogMessages();
        EXPECT_GE(messages.size(), 2u);
        for (const std::string& message : messages) {
            EXPECT_EQ(message, "hotfix program still running: C:\\Qelt\\hotfix\\hotfixs.exe");
        }
        EXPECT_EQ(bExit.load(), row.ended ? 0 : 1);
        bExit.store(0);
    }
    openServiceStop();
    program.reset();
}
