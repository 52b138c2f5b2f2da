// Millisecond tick count, sleep and the wrap-safe time-limit test.
#pragma once

#include <cstdint>

namespace plat {

// 32-bit millisecond tick count from a monotonic clock; wraps after ~49.7 days.
std::uint32_t TickCount();

// Shift the tick count so that it reads `value` now. Tests use it to start
// just below the 32-bit wrap.
void SetTickCount(std::uint32_t value);

void SleepMs(std::uint32_t ms);

// True while no more than `limitMs` milliseconds have passed since `start`:
// the elapsed time is the unsigned 32-bit difference, so a wrap is harmless.
inline bool TickWithin(std::uint32_t start, std::uint32_t limitMs, std::uint32_t now) {
    return static_cast<std::uint32_t>(now - start) <= limitMs;
}
inline bool TickWithin(std::uint32_t start, std::uint32_t limitMs) {
    return TickWithin(start, limitMs, TickCount());
}

}  // namespace plat
