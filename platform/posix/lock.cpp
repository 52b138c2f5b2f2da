// POSIX backend of the station lock: a three-state futex mutex
// (0 free, 1 locked, 2 locked with waiters) in one 32-bit word, so that it
// fits in the channel block.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "platform/lock.h"

namespace plat {

namespace {

void FutexWait(std::uint32_t *word, std::uint32_t expected) {
    ::syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void FutexWakeOne(std::uint32_t *word) {
    ::syscall(SYS_futex, word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

}  // namespace

void LockInit(PlatLock *lock) {
    std::atomic_ref<std::uint32_t>(lock->futex).store(0);
}

void LockDelete(PlatLock *lock) {
    std::atomic_ref<std::uint32_t>(lock->futex).store(0);
}

void LockEnter(PlatLock *lock) {
    std::atomic_ref<std::uint32_t> word(lock->futex);
    std::uint32_t c = 0;
    if (word.compare_exchange_strong(c, 1, std::memory_order_acquire)) return;
    if (c != 2) c = word.exchange(2, std::memory_order_acquire);
    while (c != 0) {
        FutexWait(&lock->futex, 2);
        c = word.exchange(2, std::memory_order_acquire);
    }
}

void LockLeave(PlatLock *lock) {
    std::atomic_ref<std::uint32_t> word(lock->futex);
    if (word.fetch_sub(1, std::memory_order_release) != 1) {
        word.store(0, std::memory_order_release);
        FutexWakeOne(&lock->futex);
    }
}

}  // namespace plat
