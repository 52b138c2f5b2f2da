// POSIX backend of the tick count and sleep, from the monotonic clock.
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "platform/clock.h"

namespace plat {

namespace {

std::atomic<std::uint32_t> gTickOffset{0};

std::uint32_t RawTicks() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

}  // namespace

std::uint32_t TickCount() {
    return RawTicks() + gTickOffset.load(std::memory_order_relaxed);
}

void SetTickCount(std::uint32_t value) {
    gTickOffset.store(value - RawTicks(), std::memory_order_relaxed);
}

void SleepMs(std::uint32_t ms) {
    timespec left{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace plat
