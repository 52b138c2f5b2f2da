// POSIX backend of threads.
#include <pthread.h>

#include <new>

#include "platform/thread.h"

namespace plat {

namespace {

// The host asks for small stacks sized for its own platform; under POSIX the
// C library and the sanitizers need more, so this backend never goes below it.
constexpr size_t kMinStackBytes = 512 * 1024;

struct Start {
    ThreadBody body;
    void *arg;
};

void *Trampoline(void *p) {
    Start start = *static_cast<Start *>(p);
    delete static_cast<Start *>(p);
    start.body(start.arg);
    return nullptr;
}

}  // namespace

int ThreadStart(ThreadBody body, void *arg, std::uint32_t stackBytes, ThreadHandle *handle) {
    auto *start = new (std::nothrow) Start{body, arg};
    if (start == nullptr) return -1;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    size_t stack = stackBytes < kMinStackBytes ? kMinStackBytes : stackBytes;
    pthread_attr_setstacksize(&attr, stack);
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, Trampoline, start);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete start;
        return -1;
    }
    *handle = static_cast<ThreadHandle>(thread);
    return 0;
}

void ThreadJoin(ThreadHandle handle) {
    if (handle != 0) pthread_join(static_cast<pthread_t>(handle), nullptr);
}

}  // namespace plat
