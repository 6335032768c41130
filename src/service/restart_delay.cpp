#include "service/restart_delay.h"

std::uint32_t restartDelayMs(std::uint32_t failures)
{
    if (failures == 0) {
        return 0;
    }
    std::uint32_t delay = kFirstRestartDelayMs;
    for (std::uint32_t more = 1; more < failures && delay < kMaxRestartDelayMs; ++more) {
        delay *= 2;
    }
    return delay < kMaxRestartDelayMs ? delay : kMaxRestartDelayMs;
}
