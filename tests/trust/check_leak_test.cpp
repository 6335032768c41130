#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/test_support.h"
#include "common/win_handle.h"
#include "trust/held_object.h"
#include "trust/trust_check.h"

namespace {

// The process's handles. Under Wine GetProcessHandleCount answers 0: there the value of a fresh
// handle tells instead, since Wine numbers handles from the lowest free slot and a leak moves it
// up.
std::uintptr_t handleMeasure()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) {
        return count;
    }
    const HANDLE fresh = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(fresh);
    return reinterpret_cast<std::uintptr_t>(fresh) / 4;
}

// The process's private memory. Under Wine PrivateUsage reads 0: there the bytes in use in the
// process heap, where LocalAlloc takes what the security calls return, tell instead.
std::size_t privateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters) &&
        counters.PrivateUsage != 0) {
        return counters.PrivateUsage;
    }
    std::size_t busy = 0;
    const HANDLE heap = GetProcessHeap();
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heap, &entry)) {
        busy += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0 ? entry.cbData : 0;
    }
    HeapUnlock(heap);
    return busy;
}

void checkTimes(HANDLE object, const std::string& path, int times)
{
    for (int i = 0; i < times; ++i) {
        distrustOf(object);
        if (i % 10 == 0) {
            identityProblem(object, path);
        }
    }
}

}  // namespace

// With a refused hotfix offered, the check runs before every relaunch, some 86,000 times a day:
// a few thousand checks of a held object leave the process's handles and private memory flat.
TEST(CheckLeak, ThousandsOfChecksKeepHandlesAndMemoryFlat)
{
    const ScratchDirectory scratch("qelt-leak");
    const std::string file = scratch.path + "\\hotfixs.exe";
    ASSERT_TRUE(writeBytes(file, "MZ"));
    const ScopedHandle object(openUnfollowed(file));
    ASSERT_TRUE(object.valid());
    ASSERT_FALSE(distrustOf(object.get()).has_value());

    checkTimes(object.get(), file, 100);
    const std::uintptr_t handlesBefore = handleMeasure();
    const std::size_t bytesBefore = privateBytes();
    checkTimes(object.get(), file, 2000);
    // A leak of one handle or of the smallest descriptor a check would pass these at once.
    EXPECT_LE(handleMeasure(), handlesBefore + 8);
    EXPECT_LE(privateBytes(), bytesBefore + 64 * 1024) << bytesBefore;
}
