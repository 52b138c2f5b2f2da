// The replaceable socket operations table (backend-independent part).
#include <atomic>

#include "platform/socket.h"

namespace plat {

namespace {
std::atomic<const SocketOps *> gInstalled{nullptr};
}  // namespace

const SocketOps &Sockets() {
    const SocketOps *ops = gInstalled.load(std::memory_order_acquire);
    return ops != nullptr ? *ops : NativeSockets();
}

void SetSocketOps(const SocketOps *ops) {
    gInstalled.store(ops, std::memory_order_release);
}

}  // namespace plat
