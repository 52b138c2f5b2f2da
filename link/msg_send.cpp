// Sending a frame on a station's connection.
#include "core/wait_limit.h"
#include "link/link.h"
#include "link/link_messages.h"
#include "platform/clock.h"
#include "platform/sockerr.h"

namespace ordax {

// Hands the whole frame to the socket. After a would-block it waits until
// the socket is writable again, for the time that is left of `timeoutMs`
// (at most a minute) since the call: a peer that takes bytes at TCP level
// but never reads them fills the send buffer for good, and the caller holds
// the station's lock. A send that took nothing counts as a would-block.
// Giving up (10035), a failed wait or any other error ends with message
// and 1.
int SendMsg(plat::Socket s, const std::uint8_t *bytes, int length, std::uint32_t timeoutMs) {
    const plat::SocketOps &ops = plat::Sockets();
    timeoutMs = BoundedWaitMs(timeoutMs);
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
        if (code != plat::kWsaEwouldblock) break;
        const std::uint32_t elapsed = plat::TickCount() - start;
        if (elapsed > timeoutMs) break;
        const plat::WaitResult waited = ops.wait(s, true, timeoutMs - elapsed);
        if (waited == plat::kWaitTimedOut) break;
        if (waited == plat::kWaitFailed) {
            code = ops.lastError();
            break;
        }
    }
    if (remaining <= 0) return 0;
    Emit(linkmsg::kSendErrno, code, code);
    return 1;
}

}  // namespace ordax
