#include "supervision/supervisor_lock.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/win_handle.h"
#include "service/service_state.h"
#include "service/service_stop.h"

namespace {

// Another holder of the lock: takes it, says so, and ends when told, letting go or not.
struct Holder {
    ScopedHandle taken{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    bool letGo = false;
};

DWORD WINAPI holdLock(void* argument)
{
    auto* holder = static_cast<Holder*>(argument);
    // Not deleted when the holder ends without letting go: as a process killed while it holds it.
    auto* lock = new SupervisorLock;
    lock->take();
    SetEvent(holder->taken.get());
    WaitForSingleObject(holder->done.get(), INFINITE);
    if (holder->letGo) {
        delete lock;
    }
    return 0;
}

DWORD WINAPI stopSoon(void*)
{
    Sleep(300);
    requestServiceStop();
    return 0;
}

}  // namespace

TEST(SupervisorLock, ASecondWaitsAnswersAStopAndTakesTheLockItsHolderLeft)
{
    for (const bool letGo : {true, false}) {
        openServiceStop();
        Holder holder;
        holder.letGo = letGo;
        ScopedHandle holding(CreateThread(nullptr, 0, holdLock, &holder, 0, nullptr));
        ASSERT_EQ(WaitForSingleObject(holder.taken.get(), 10000), WAIT_OBJECT_0);

        const ScopedHandle stopper(CreateThread(nullptr, 0, stopSoon, nullptr, 0, nullptr));
        const ULONGLONG before = GetTickCount64();
        {
            SupervisorLock waiting;
            EXPECT_FALSE(waiting.take());
        }
        EXPECT_LT(GetTickCount64() - before, 1500u);
        EXPECT_EQ(bExit.load(), 1);
        WaitForSingleObject(stopper.get(), INFINITE);
        bExit.store(0);
        openServiceStop();

        // Once its holder has ended, with or without letting go, the lock is the next one's.
        SetEvent(holder.done.get());
        WaitForSingleObject(holding.get(), INFINITE);
        SupervisorLock next;
        EXPECT_TRUE(next.take()) << (letGo ? "let go" : "abandoned");
        EXPECT_EQ(bExit.load(), 0);
    }
}
