#include "supervision/supervisor_lock.h"

#include "common/global_objects.h"
#include "log/logger.h"
#include "service/service_stop.h"

namespace {
constexpr const char* kLockName = "Global\\QeltWatch.supervisor";
}  // namespace

SupervisorLock::~SupervisorLock()
{
    if (held_) {
        ReleaseMutex(mutex_.get());
    }
}

bool SupervisorLock::take()
{
    unsigned long error = 0;
    mutex_.reset(createGlobalMutex(kLockName, error));
    if (!mutex_.valid()) {
        Logger::getInstance()->writeFormat("supervisor lock failed (%d)", static_cast<int>(error));
        return true;
    }
    if (WaitForSingleObject(mutex_.get(), 0) != WAIT_TIMEOUT) {
        held_ = true;
        return true;
    }
    Logger::getInstance()->write("another process supervises, waiting");
    if (waitOrStop(mutex_.get(), INFINITE) == WaitEnd::Stopped) {
        return false;
    }
    held_ = true;
    return true;
}
