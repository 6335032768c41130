#include "service/service_stop.h"

#include "common/global_objects.h"
#include "log/logger.h"
#include "service/service_state.h"

namespace {

constexpr const char* kStopEventName = "Global\\QeltWatch.stop";

// Where the shared event cannot be had, a stop still reaches this process's own waits.
HANDLE stopEvent()
{
    static const HANDLE event = [] {
        unsigned long error = 0;
        HANDLE shared = createGlobalEvent(kStopEventName, error);
        if (shared == nullptr) {
            Logger::getInstance()->writeFormat("stop event failed (%d)", static_cast<int>(error));
            shared = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        }
        return shared;
    }();
    return event;
}

}  // namespace

void openServiceStop()
{
    ResetEvent(stopEvent());
}

void requestServiceStop()
{
    SetEvent(stopEvent());
}

bool serviceStopRequested()
{
    return WaitForSingleObject(stopEvent(), 0) == WAIT_OBJECT_0;
}

WaitEnd waitOrStop(HANDLE object, DWORD timeoutMs)
{
    const HANDLE objects[] = {stopEvent(), object};
    const DWORD count = object != nullptr ? 2 : 1;
    const DWORD result = WaitForMultipleObjects(count, objects, FALSE, timeoutMs);
    if (result == WAIT_OBJECT_0) {
        bExit.store(1);
        return WaitEnd::Stopped;
    }
    if (result == WAIT_TIMEOUT) {
        return WaitEnd::TimedOut;
    }
    // Signalled, abandoned, or a wait that failed: none of them may keep the caller waiting.
    return WaitEnd::Signalled;
}
