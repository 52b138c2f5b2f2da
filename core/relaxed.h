// The 32-bit fields of the channel block that one thread writes and another
// polls without a lock: the run flags, a station's lastSupervision, its
// plcType (tested by the engine and the gate parser while a hot-backup
// switch may rewrite it) and the reply time-out (set by command 15 while
// the channel thread may be reading a master flag). Each is read
// and written whole as a relaxed atomic, in place, so the block keeps its
// plain layout. Relaxed order is enough: the data a flag guards is handed
// over by the station lock or by the thread's start and join.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace ordax {

template <typename T>
concept RelaxedField = std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::uint32_t>;

template <RelaxedField T>
inline T LoadRelaxed(const T &field) {
    static_assert(std::atomic_ref<T>::is_always_lock_free);
    // atomic_ref needs a non-const object; a load never writes through it.
    return std::atomic_ref<T>(const_cast<T &>(field)).load(std::memory_order_relaxed);
}

template <RelaxedField T>
inline void StoreRelaxed(T &field, std::type_identity_t<T> value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

// runFlag alone hands something over: the host clears it (release) after its
// last exchange, and the thread that sees it clear (acquire) then closes the
// stations' sockets without their locks.
template <RelaxedField T>
inline T LoadAcquire(const T &field) {
    return std::atomic_ref<T>(const_cast<T &>(field)).load(std::memory_order_acquire);
}

template <RelaxedField T>
inline void StoreRelease(T &field, std::type_identity_t<T> value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_release);
}

}  // namespace ordax
