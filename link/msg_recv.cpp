// Receiving one frame: a readiness wait, then exactly the 28 header bytes,
// then exactly the data bytes the header announces, straight into the
// caller's buffer. Bytes that are late are waited for with the time that is
// left, so a reply in pieces costs only the time its pieces take.
#include "core/wait_limit.h"
#include "link/encap.h"
#include "link/link.h"
#include "link/link_messages.h"
#include "platform/clock.h"
#include "platform/sockerr.h"

namespace ordax {

namespace {

enum PhaseResult : int { kPhaseOk, kPhaseSocketError, kPhaseTimeout };

// A receive of 0 bytes means the peer has closed the connection in order
// (a PLC restarting, or one whose connection table is full). Windows
// Sockets has no error for that on a stream socket: recv simply returns 0
// for ever (WSAEDISCON exists only for message-oriented protocols). What a
// Windows host does see on such a connection is WSAECONNRESET, which the
// peer's stack answers to the next bytes sent there; that is the number
// the close is reported with, so the operator reads the same "10054" for a
// closed and for a reset connection.
constexpr int kPeerClosedError = plat::kWsaEconnreset;

// The phase's time has run out: logged, named 10060.
PhaseResult PhaseTimeout(int *code) {
    *code = plat::kWsaEtimedout;
    Emit(linkmsg::kRcvTimeout);
    return kPhaseTimeout;
}

// After a would-block: waits until more bytes are readable, for the time
// that is left of `timeoutMs` since `t0`. kPhaseOk = read again.
PhaseResult AwaitMore(plat::Socket s, std::uint32_t t0, std::uint32_t timeoutMs, int *code) {
    const plat::SocketOps &ops = plat::Sockets();
    const std::uint32_t elapsed = plat::TickCount() - t0;
    if (elapsed > timeoutMs) return PhaseTimeout(code);
    switch (ops.wait(s, false, timeoutMs - elapsed)) {
        case plat::kWaitTimedOut:
            return PhaseTimeout(code);
        case plat::kWaitFailed:
            *code = ops.lastError();
            return kPhaseSocketError;
        case plat::kWaitReady:
        case plat::kWaitNoEvent:
        default:
            return kPhaseOk;
    }
}

// Reads exactly `count` bytes into `dest`. The frame must be complete within
// `timeoutMs` of `t0`; a would-block waits for readiness with the time that
// is left. A peer that has closed fails the phase at once as a socket error.
// On failure *code holds the socket error (10060 for a time-out).
PhaseResult ReadExact(plat::Socket s, std::uint8_t *dest, int count, std::uint32_t t0,
                      std::uint32_t timeoutMs, int *code) {
    const plat::SocketOps &ops = plat::Sockets();
    int missing = count;
    while (missing > 0) {
        int got = ops.recv(s, dest, missing);
        if (got > 0) {
            missing -= got;
            dest += got;
            if (missing > 0 && !plat::TickWithin(t0, timeoutMs)) return PhaseTimeout(code);
        } else if (got == 0) {
            *code = kPeerClosedError;
            return kPhaseSocketError;
        } else {
            *code = ops.lastError();
            if (*code != plat::kWsaEwouldblock) return kPhaseSocketError;
            const PhaseResult waited = AwaitMore(s, t0, timeoutMs, code);
            if (waited != kPhaseOk) return waited;
        }
    }
    return kPhaseOk;
}

// Logs a failed read phase and gives RcvMsg's result for it.
RcvResult PhaseFailure(PhaseResult phase, int code) {
    Emit(linkmsg::kRcvError, code, code);
    return phase == kPhaseTimeout ? kRcvTimeout : kRcvSocketError;
}

// Waits for the socket to become readable. kRcvOk when it is.
RcvResult WaitReadable(plat::Socket s, std::uint32_t timeoutMs) {
    const plat::SocketOps &ops = plat::Sockets();
    switch (ops.wait(s, false, timeoutMs)) {
        case plat::kWaitReady:
            return kRcvOk;
        case plat::kWaitTimedOut:
            return kRcvTimeout;
        case plat::kWaitNoEvent:
            Emit(linkmsg::kRcvNoEvent);
            return kRcvSocketError;
        case plat::kWaitFailed:
        default: {
            int code = ops.lastError();
            Emit(linkmsg::kRcvSelectFailed, code, code);
            return kRcvSocketError;
        }
    }
}

}  // namespace

// Contract in link.h. The capacity is checked before anything is read, and
// again against the announced length before the data is read.
RcvResult RcvMsg(plat::Socket s, std::uint8_t *buffer, int *length, std::uint32_t timeoutMs) {
    timeoutMs = BoundedWaitMs(timeoutMs);
    const int capacity = *length;
    if (capacity < static_cast<int>(kEncapHeaderSize)) {
        Emit(linkmsg::kRcvTooLong);
        return kRcvTooLong;
    }
    RcvResult result = WaitReadable(s, timeoutMs);
    if (result != kRcvOk) return result;
    const std::uint32_t t0 = plat::TickCount();
    int code = 0;
    PhaseResult phase =
        ReadExact(s, buffer, static_cast<int>(kEncapHeaderSize), t0, timeoutMs, &code);
    if (phase != kPhaseOk) return PhaseFailure(phase, code);
    ByteReader header = MakeReader(buffer, kEncapHeaderSize, kEncapDataLength);
    const int dataLength = GetU16be(header);
    const int frameLength = static_cast<int>(kEncapHeaderSize) + dataLength;
    if (frameLength > capacity) {
        Emit(linkmsg::kRcvTooLong);
        return kRcvTooLong;
    }
    phase = ReadExact(s, buffer + kEncapHeaderSize, dataLength, t0, timeoutMs, &code);
    if (phase != kPhaseOk) return PhaseFailure(phase, code);
    *length = frameLength;
    return kRcvOk;
}

}  // namespace ordax
