// Win32 backend of threads.
#include <windows.h>

#include <new>

#include "platform/thread.h"

namespace plat {

namespace {

struct Start {
    ThreadBody body;
    void *arg;
};

DWORD WINAPI Trampoline(LPVOID p) {
    Start start = *static_cast<Start *>(p);
    delete static_cast<Start *>(p);
    start.body(start.arg);
    return 0;
}

}  // namespace

int ThreadStart(ThreadBody body, void *arg, std::uint32_t stackBytes, ThreadHandle *handle) {
    auto *start = new (std::nothrow) Start{body, arg};
    if (start == nullptr) return -1;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, stackBytes, Trampoline, start, 0, &id);
    if (thread == nullptr) {
        delete start;
        return -1;
    }
    *handle = reinterpret_cast<ThreadHandle>(thread);
    return 0;
}

void ThreadJoin(ThreadHandle handle) {
    if (handle == 0) return;
    HANDLE thread = reinterpret_cast<HANDLE>(handle);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

}  // namespace plat
