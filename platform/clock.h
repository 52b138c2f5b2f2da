// Millisecond tick count, sleeps, the wrap-safe time-limit test, and the
// event a sleep can be cut short by.
#pragma once

#include <cstdint>

namespace plat {

// 32-bit millisecond tick count from a monotonic clock; wraps after ~49.7 days.
std::uint32_t TickCount();

// Microseconds of a monotonic clock, from an arbitrary start; never wraps
// in practice (64 bits). SetTickCount does not move it.
std::uint64_t MonotonicMicros();

// Shift the tick count so that it reads `value` now. Tests use it to start
// just below the 32-bit wrap.
void SetTickCount(std::uint32_t value);

// Sleeps `ms` milliseconds; every value is a finite sleep (on Windows a
// plain Sleep(0xFFFFFFFF) would never end).
void SleepMs(std::uint32_t ms);

// A manual-reset event in plain memory, so that it can live in the channel
// block: a zero-filled Event is clear and needs no clean-up. Win32 keeps an
// SRW lock and a condition variable in it; POSIX waits on `state` (futex).
struct Event {
    void *lock;
    void *cond;
    std::uint32_t state;  // 0 clear, 1 set
};

void EventReset(Event *event);
// Sets the event and wakes every waiter.
void EventSet(Event *event);
bool EventIsSet(const Event *event);
// Waits until the event is set or `ms` milliseconds have passed, whichever
// comes first. True = set. Every value of `ms` is a finite wait.
bool EventWait(Event *event, std::uint32_t ms);

// True while no more than `limitMs` milliseconds have passed since `start`:
// the elapsed time is the unsigned 32-bit difference, so a wrap is harmless.
inline bool TickWithin(std::uint32_t start, std::uint32_t limitMs, std::uint32_t now) {
    return static_cast<std::uint32_t>(now - start) <= limitMs;
}
inline bool TickWithin(std::uint32_t start, std::uint32_t limitMs) {
    return TickWithin(start, limitMs, TickCount());
}

}  // namespace plat
