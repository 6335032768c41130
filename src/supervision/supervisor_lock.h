#pragma once

#include "common/win_handle.h"

// Only the process that holds the install's supervisor lock supervises the companion, whatever
// the service manager does: two companions, or two installers, are what the service exists to
// prevent. The lock is a mutex in the global namespace (common/global_objects.h); a process
// that ends holding it leaves it abandoned, and the next one takes it.
class SupervisorLock {
public:
    SupervisorLock() = default;
    SupervisorLock(const SupervisorLock&) = delete;
    SupervisorLock& operator=(const SupervisorLock&) = delete;
    // Let go on the thread that took it, as a mutex requires.
    ~SupervisorLock();

    // Waits until this process holds the lock, answering a stop at once: false when a stop
    // came first. A lock that cannot be had at all is logged, and the process supervises
    // without it.
    bool take();

private:
    ScopedHandle mutex_;
    bool held_ = false;
};
