#include "service/restart_delay.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(RestartDelay, DoublesFromFiveSecondsUpToFiveMinutes)
{
    const struct {
        std::uint32_t failures;
        std::uint32_t delayMs;
    } rows[] = {
        {0, 0},      {1, 5000},   {2, 10000},  {3, 20000},   {4, 40000},
        {6, 160000}, {7, 300000}, {8, 300000}, {40, 300000}, {UINT32_MAX, 300000},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(restartDelayMs(row.failures), row.delayMs) << row.failures << " failures";
    }
}
