#pragma once

#include <cstdint>

// How long a new process of the service waits before it launches the companion, after
// `failures` failed launches in a row: none after none, 5 s after the first, doubling with each
// one more, at most 5 minutes. A companion that cannot be launched then costs a start of the
// service every few minutes, not every few seconds.
constexpr std::uint32_t kFirstRestartDelayMs = 5000;
constexpr std::uint32_t kMaxRestartDelayMs = 300000;

std::uint32_t restartDelayMs(std::uint32_t failures);
