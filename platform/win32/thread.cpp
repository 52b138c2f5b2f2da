// Win32 backend of threads. A thread keeps the module that holds its code
// loaded while it runs and drops it with FreeLibraryAndExitThread, so a host
// that frees the driver with a channel still open does not leave the thread
// in unmapped code.
#include <windows.h>

#include <new>

#include "platform/thread.h"

namespace plat {

namespace {

struct Start {
    ThreadBody body;
    void *arg;
    HMODULE module;  // a reference to the module of this code, or null
};

// A new reference to the module this code lives in (the DLL, or the program
// when the code is linked into it).
HMODULE PinModule() {
    HMODULE module = nullptr;
    const auto flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
    if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&PinModule), &module)) return nullptr;
    return module;
}

thread_local void *tArgument = nullptr;

DWORD WINAPI Trampoline(LPVOID p) {
    Start start = *static_cast<Start *>(p);
    delete static_cast<Start *>(p);
    tArgument = start.arg;
    start.body(start.arg);
    tArgument = nullptr;
    // Never returns into this module: the reference goes with the thread.
    if (start.module != nullptr) FreeLibraryAndExitThread(start.module, 0);
    return 0;
}

}  // namespace

int ThreadStart(ThreadBody body, void *arg, std::uint32_t stackBytes, ThreadHandle *handle) {
    auto *start = new (std::nothrow) Start{body, arg, PinModule()};
    if (start == nullptr) return -1;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, stackBytes, Trampoline, start, 0, &id);
    if (thread == nullptr) {
        if (start->module != nullptr) FreeLibrary(start->module);
        delete start;
        return -1;
    }
    *handle = reinterpret_cast<ThreadHandle>(thread);
    return 0;
}

void *ThreadArgument() {
    return tArgument;
}

void ThreadJoin(ThreadHandle handle) {
    if (handle == 0) return;
    HANDLE thread = reinterpret_cast<HANDLE>(handle);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

}  // namespace plat
