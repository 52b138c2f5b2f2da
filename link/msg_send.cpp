// Sending a frame on a station's connection.
#include "link/link.h"
#include "link/link_messages.h"
#include "platform/clock.h"
#include "platform/sockerr.h"

namespace ordax {

namespace {
constexpr std::uint32_t kSendRetryMs = 100;  // pause after a would-block
}  // namespace

// Hands the whole frame to the socket. A would-block is retried after
// 100 ms without a time limit; any other error ends with message and 1.
int SendMsg(plat::Socket s, const std::uint8_t *bytes, int length) {
    const plat::SocketOps &ops = plat::Sockets();
    int remaining = length;
    const std::uint8_t *pos = bytes;
    int code = 0;
    while (remaining > 0) {
        int sent = ops.send(s, pos, remaining);
        if (sent >= 0) {
            remaining -= sent;
            pos += sent;
            continue;
        }
        code = ops.lastError();
        if (code != plat::kWsaEwouldblock) break;
        plat::SleepMs(kSendRetryMs);
    }
    if (remaining <= 0) return 0;
    Emit(linkmsg::kSendErrno, code, code);
    return 1;
}

}  // namespace ordax
