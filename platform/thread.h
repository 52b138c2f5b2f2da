// Threads with join.
#pragma once

#include <cstdint>

namespace plat {

// Opaque thread handle; 0 = no thread.
using ThreadHandle = std::uintptr_t;

using ThreadBody = void (*)(void *arg);

// Start `body(arg)` on a new thread with the given stack size in bytes
// (rounded up by the system as it needs). 0 = started, -1 = failed.
int ThreadStart(ThreadBody body, void *arg, std::uint32_t stackBytes, ThreadHandle *handle);

// The argument ThreadStart gave the body running on this thread; null on a
// thread that ThreadStart did not start.
void *ThreadArgument();

// Wait for the thread to end and release its handle.
void ThreadJoin(ThreadHandle handle);

}  // namespace plat
