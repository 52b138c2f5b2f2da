// Win32 backend of the station lock: a slim reader/writer lock used
// exclusively. It is one pointer, so it fits in the channel block.
#include <windows.h>

#include "platform/lock.h"

namespace plat {

static_assert(sizeof(SRWLOCK) == sizeof(PlatLock));

namespace {
PSRWLOCK Srw(PlatLock *lock) {
    return reinterpret_cast<PSRWLOCK>(&lock->srw);
}
}  // namespace

void LockInit(PlatLock *lock) {
    InitializeSRWLock(Srw(lock));
}
void LockDelete(PlatLock *lock) {
    lock->srw = nullptr;
}  // SRW locks need no clean-up
void LockEnter(PlatLock *lock) {
    AcquireSRWLockExclusive(Srw(lock));
}
void LockLeave(PlatLock *lock) {
    ReleaseSRWLockExclusive(Srw(lock));
}

}  // namespace plat
