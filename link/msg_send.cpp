// Sending a frame on a station's connection.
#include "link/link.h"
#include "link/link_messages.h"
#include "platform/clock.h"
#include "platform/sockerr.h"

namespace ordax {

namespace {
constexpr std::uint32_t kSendRetryMs = 100;  // pause after a would-block
}  // namespace

// Hands the whole frame to the socket. A would-block is retried every
// 100 ms until `timeoutMs` has passed since the call: a peer that takes
// bytes at TCP level but never reads them fills the send buffer for good,
// and the caller holds the station's lock. A send that took nothing counts
// as a would-block. Giving up, or any other error, ends with message and 1.
int SendMsg(plat::Socket s, const std::uint8_t *bytes, int length, std::uint32_t timeoutMs) {
    const plat::SocketOps &ops = plat::Sockets();
    const std::uint32_t start = plat::TickCount();
    int remaining = length;
    const std::uint8_t *pos = bytes;
    int code = 0;
    while (remaining > 0) {
        int sent = ops.send(s, pos, remaining);
        if (sent > 0) {
            remaining -= sent;
            pos += sent;
            continue;
        }
        code = sent == 0 ? plat::kWsaEwouldblock : ops.lastError();
        if (code != plat::kWsaEwouldblock || !plat::TickWithin(start, timeoutMs)) break;
        plat::SleepMs(kSendRetryMs);
    }
    if (remaining <= 0) return 0;
    Emit(linkmsg::kSendErrno, code, code);
    return 1;
}

}  // namespace ordax
