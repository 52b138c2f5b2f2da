// What the process holds at one moment: open descriptors, threads and heap
// bytes in use (the sanitizer's allocator when it owns the heap, glibc's
// count otherwise).
#pragma once

#include <dirent.h>

#include <cstddef>
#include <string>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// From the sanitizer runtime's allocator interface (its header does not
// come with every compiler's packages).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes(void);
#define ORDAX_TEST_SANITIZER_HEAP 1
#else
#include <malloc.h>
#endif

namespace ordax_test {

// Entries of a /proc directory, less "." and "..".
inline int CountEntries(const char *path) {
    DIR *dir = ::opendir(path);
    if (dir == nullptr) return -1;
    int n = 0;
    while (dirent *e = ::readdir(dir)) n += e->d_name[0] == '.' ? 0 : 1;
    ::closedir(dir);
    return n;
}

struct Resources {
    int descriptors;  // less the one the count itself holds
    int threads;
    std::size_t heapBytes;

    std::string Text() const {
        return std::to_string(descriptors) + " descriptors, " + std::to_string(threads) +
               " threads, " + std::to_string(heapBytes) + " heap bytes";
    }
};

inline int ThreadCount() {
    return CountEntries("/proc/self/task");
}

// Open descriptors, less the one the count itself holds.
inline int DescriptorCount() {
    return CountEntries("/proc/self/fd") - 1;
}

inline Resources Snapshot() {
#ifdef ORDAX_TEST_SANITIZER_HEAP
    const std::size_t heap = __sanitizer_get_current_allocated_bytes();
#else
    const std::size_t heap = mallinfo2().uordblks;
#endif
    return {DescriptorCount(), ThreadCount(), heap};
}

}  // namespace ordax_test
