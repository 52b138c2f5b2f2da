// Win32 backend of the tick count, sleep and the event.
#include <windows.h>

#include <atomic>

#include "platform/clock.h"

namespace plat {

namespace {

std::atomic<std::uint32_t> gTickOffset{0};

// The longest single wait handed to Windows: 0xFFFFFFFF is INFINITE.
constexpr DWORD kLongestWaitMs = 0x7FFFFFFF;

static_assert(sizeof(SRWLOCK) == sizeof(void *));
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void *));

PSRWLOCK LockOf(Event *event) {
    return reinterpret_cast<PSRWLOCK>(&event->lock);
}
PCONDITION_VARIABLE CondOf(Event *event) {
    return reinterpret_cast<PCONDITION_VARIABLE>(&event->cond);
}

// Read without the lock by EventIsSet, so always accessed whole.
std::atomic_ref<std::uint32_t> StateOf(Event *event) {
    return std::atomic_ref<std::uint32_t>(event->state);
}

}  // namespace

std::uint32_t TickCount() {
    return static_cast<std::uint32_t>(GetTickCount()) + gTickOffset.load(std::memory_order_relaxed);
}

// QueryPerformanceCounter never fails on Windows XP and later; its
// frequency is fixed at boot. Whole seconds and the rest are scaled apart,
// so the product cannot overflow.
std::uint64_t MonotonicMicros() {
    LARGE_INTEGER count{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const auto ticks = static_cast<std::uint64_t>(count.QuadPart);
    const auto perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
    if (perSecond == 0) return 0;
    return ticks / perSecond * 1000000u + ticks % perSecond * 1000000u / perSecond;
}

void SetTickCount(std::uint32_t value) {
    gTickOffset.store(value - static_cast<std::uint32_t>(GetTickCount()),
                      std::memory_order_relaxed);
}

void SleepMs(std::uint32_t ms) {
    while (ms > kLongestWaitMs) {
        Sleep(kLongestWaitMs);
        ms -= kLongestWaitMs;
    }
    Sleep(ms);
}

void EventReset(Event *event) {
    AcquireSRWLockExclusive(LockOf(event));
    StateOf(event).store(0, std::memory_order_release);
    ReleaseSRWLockExclusive(LockOf(event));
}

void EventSet(Event *event) {
    AcquireSRWLockExclusive(LockOf(event));
    StateOf(event).store(1, std::memory_order_release);
    ReleaseSRWLockExclusive(LockOf(event));
    WakeAllConditionVariable(CondOf(event));
}

bool EventIsSet(const Event *event) {
    return StateOf(const_cast<Event *>(event)).load(std::memory_order_acquire) != 0;
}

// A wake-up before the limit without the event set sleeps again for what
// is left; the limit is counted on the 64-bit tick count.
bool EventWait(Event *event, std::uint32_t ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    AcquireSRWLockExclusive(LockOf(event));
    for (;;) {
        if (EventIsSet(event)) break;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) break;
        const ULONGLONG left = end - now;
        const DWORD wait = left > kLongestWaitMs ? kLongestWaitMs : static_cast<DWORD>(left);
        SleepConditionVariableSRW(CondOf(event), LockOf(event), wait, 0);
    }
    const bool set = EventIsSet(event);
    ReleaseSRWLockExclusive(LockOf(event));
    return set;
}

}  // namespace plat
