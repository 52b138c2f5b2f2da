// The station lock: a small mutual-exclusion object that fits in the
// channel block. Win32 keeps an SRW lock in it; POSIX a futex word.
// A zero-filled PlatLock is an unlocked lock on both backends.
#pragma once

#include <cstdint>

namespace plat {

union PlatLock {
    void *srw;            // Win32: the SRWLOCK's single pointer
    std::uint32_t futex;  // POSIX: 0 free, 1 locked, 2 locked with waiters
};

void LockInit(PlatLock *lock);
void LockDelete(PlatLock *lock);
void LockEnter(PlatLock *lock);
void LockLeave(PlatLock *lock);

}  // namespace plat
