// POSIX backend of threads. A thread keeps the shared object that holds
// its code loaded while it runs: a host may unload the driver with a
// channel still open, and the thread must not go on in unmapped code.
#include <dlfcn.h>
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
    void *module;  // a reference to the shared object of this code, or null
};

// A new reference to the shared object this code lives in; null when the
// code is part of the program itself, which is never unloaded.
void *PinModule() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void *>(&PinModule), &info) == 0 || info.dli_fname == nullptr) {
        return nullptr;
    }
    return ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

// The reference is dropped by the C library while the thread ends, after
// the thread has left this code for good: a thread-specific value whose
// destructor is dlclose itself, so no instruction of this object runs
// after the drop.
pthread_key_t gModuleKey;
bool gModuleKeyMade = false;

void MakeModuleKey() {
    // dlclose's result is of no use here; void (*)() carries it across the
    // change of return type.
    auto *drop = reinterpret_cast<void (*)(void *)>(reinterpret_cast<void (*)()>(&::dlclose));
    gModuleKeyMade = ::pthread_key_create(&gModuleKey, drop) == 0;
}

// The key goes as this object unloads (or the process ends), so that a host
// that loads and frees the driver again and again does not use up the
// process's keys. No thread holds a value then: each value is a reference
// that keeps the object loaded, and the C library clears a thread's slot
// before it runs the destructor that drops the last one.
struct ModuleKeyOwner {
    ~ModuleKeyOwner() {
        if (gModuleKeyMade) ::pthread_key_delete(gModuleKey);
    }
} gModuleKeyOwner;

void DropModuleAtExit(void *module) {
    static pthread_once_t once = PTHREAD_ONCE_INIT;
    ::pthread_once(&once, MakeModuleKey);
    if (gModuleKeyMade && ::pthread_setspecific(gModuleKey, module) == 0) return;
    // Without the key the reference stays: the object is never unloaded,
    // which is safe.
}

thread_local void *tArgument = nullptr;

void *Trampoline(void *p) {
    Start start = *static_cast<Start *>(p);
    delete static_cast<Start *>(p);
    tArgument = start.arg;
    start.body(start.arg);
    tArgument = nullptr;
    if (start.module != nullptr) DropModuleAtExit(start.module);
    return nullptr;
}

}  // namespace

int ThreadStart(ThreadBody body, void *arg, std::uint32_t stackBytes, ThreadHandle *handle) {
    auto *start = new (std::nothrow) Start{body, arg, PinModule()};
    if (start == nullptr) return -1;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    size_t stack = stackBytes < kMinStackBytes ? kMinStackBytes : stackBytes;
    pthread_attr_setstacksize(&attr, stack);
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, Trampoline, start);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        if (start->module != nullptr) ::dlclose(start->module);
        delete start;
        return -1;
    }
    *handle = static_cast<ThreadHandle>(thread);
    return 0;
}

void *ThreadArgument() {
    return tArgument;
}

void ThreadJoin(ThreadHandle handle) {
    if (handle != 0) pthread_join(static_cast<pthread_t>(handle), nullptr);
}

}  // namespace plat
