// Counts heap allocations made by the calling thread. Include in exactly
// one translation unit of a program: it replaces the global operator new
// and, outside sanitizer builds (whose runtimes own the C allocator),
// interposes the C allocator too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace alloc_counter {
inline thread_local std::uint64_t tAllocations = 0;
inline std::uint64_t ThreadAllocations() {
    return tAllocations;
}
}  // namespace alloc_counter

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ALLOC_COUNTER_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ALLOC_COUNTER_MALLOC 0
#endif
#endif
#if !defined(ALLOC_COUNTER_MALLOC) && defined(__GLIBC__)
#define ALLOC_COUNTER_MALLOC 1
#endif

#if ALLOC_COUNTER_MALLOC
extern "C" {
void *__libc_malloc(std::size_t);
void *__libc_calloc(std::size_t, std::size_t);
void *__libc_realloc(void *, std::size_t);
void *malloc(std::size_t n) {
    ++alloc_counter::tAllocations;
    return __libc_malloc(n);
}
void *calloc(std::size_t n, std::size_t size) {
    ++alloc_counter::tAllocations;
    return __libc_calloc(n, size);
}
void *realloc(void *p, std::size_t n) {
    ++alloc_counter::tAllocations;
    return __libc_realloc(p, n);
}
}
#endif

// The replacements hand out malloc blocks and release them with free; the
// compiler cannot see that the pair is consistent once they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void *operator new(std::size_t n) {
    ++alloc_counter::tAllocations;
    if (void *p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t n) {
    return operator new(n);
}
void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
    ++alloc_counter::tAllocations;
    return std::malloc(n == 0 ? 1 : n);
}
void *operator new[](std::size_t n, const std::nothrow_t &t) noexcept {
    return operator new(n, t);
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete[](void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    std::free(p);
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
