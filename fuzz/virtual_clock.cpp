// The fuzz targets' clock: a millisecond count that only sleeps and
// scripted waits move. It replaces the monotonic backend, so the driver's
// time limits run out without taking wall time.
#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace plat {

namespace {
std::atomic<std::uint32_t> gTicks{0};
}  // namespace

std::uint32_t TickCount() {
    return gTicks.load(std::memory_order_relaxed);
}

// The virtual milliseconds, in microseconds.
std::uint64_t MonotonicMicros() {
    return static_cast<std::uint64_t>(gTicks.load(std::memory_order_relaxed)) * 1000u;
}

void SetTickCount(std::uint32_t value) {
    gTicks.store(value, std::memory_order_relaxed);
}

void SleepMs(std::uint32_t ms) {
    gTicks.fetch_add(ms, std::memory_order_relaxed);
}

// An event that is not set makes the waiter sleep its whole limit.
void EventReset(Event *event) {
    std::atomic_ref<std::uint32_t>(event->state).store(0);
}

void EventSet(Event *event) {
    std::atomic_ref<std::uint32_t>(event->state).store(1);
}

bool EventIsSet(const Event *event) {
    return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t &>(event->state)).load() != 0;
}

bool EventWait(Event *event, std::uint32_t ms) {
    if (EventIsSet(event)) return true;
    SleepMs(ms);
    return false;
}

}  // namespace plat
