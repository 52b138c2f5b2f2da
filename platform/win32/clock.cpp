// Win32 backend of the tick count and sleep.
#include <windows.h>

#include <atomic>

#include "platform/clock.h"

namespace plat {

namespace {
std::atomic<std::uint32_t> gTickOffset{0};
}  // namespace

std::uint32_t TickCount() {
    return static_cast<std::uint32_t>(GetTickCount()) + gTickOffset.load(std::memory_order_relaxed);
}

void SetTickCount(std::uint32_t value) {
    gTickOffset.store(value - static_cast<std::uint32_t>(GetTickCount()),
                      std::memory_order_relaxed);
}

void SleepMs(std::uint32_t ms) {
    Sleep(ms);
}

}  // namespace plat
