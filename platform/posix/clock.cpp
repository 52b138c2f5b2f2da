// POSIX backend of the tick count, sleep and the event, from the monotonic
// clock; the event is a futex word.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>

#include "platform/clock.h"

namespace plat {

namespace {

std::atomic<std::uint32_t> gTickOffset{0};

std::uint64_t MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

std::uint32_t RawTicks() {
    return static_cast<std::uint32_t>(MonotonicMs());
}

timespec Span(std::uint64_t ms) {
    return timespec{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
}

}  // namespace

std::uint32_t TickCount() {
    return RawTicks() + gTickOffset.load(std::memory_order_relaxed);
}

std::uint64_t MonotonicMicros() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

void SetTickCount(std::uint32_t value) {
    gTickOffset.store(value - RawTicks(), std::memory_order_relaxed);
}

void SleepMs(std::uint32_t ms) {
    timespec left = Span(ms);
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void EventReset(Event *event) {
    std::atomic_ref<std::uint32_t>(event->state).store(0, std::memory_order_release);
}

void EventSet(Event *event) {
    std::atomic_ref<std::uint32_t>(event->state).store(1, std::memory_order_release);
    ::syscall(SYS_futex, &event->state, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

bool EventIsSet(const Event *event) {
    return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t &>(event->state))
               .load(std::memory_order_acquire) != 0;
}

// The futex sleeps only while the word is still 0, so a set between the
// test and the sleep is never missed; a wake-up before the limit (a signal,
// a spurious wake) sleeps again for what is left.
bool EventWait(Event *event, std::uint32_t ms) {
    const std::uint64_t end = MonotonicMs() + ms;
    for (;;) {
        if (EventIsSet(event)) return true;
        const std::uint64_t now = MonotonicMs();
        if (now >= end) return false;
        const timespec left = Span(end - now);
        ::syscall(SYS_futex, &event->state, FUTEX_WAIT_PRIVATE, 0, &left, nullptr, 0);
    }
}

}  // namespace plat
