// The transaction engine: one request/reply exchange with a station.
#include <cstddef>
#include <cstdint>

#include "core/relaxed.h"
#include "diag/trace.h"
#include "link/encap.h"
#include "link/link.h"
#include "platform/clock.h"

namespace ordax {

namespace {

enum ReplyVerdict : int { kReplyDrop, kReplyAccept };

// Bytes of data a read kind takes from an accepted reply with STS 0.
std::size_t WantedDataBytes(const Transaction &txn) {
    switch (txn.function) {
        case ReadSingleWord:
            return 2;
        case ReadWords:
            return 2u * txn.count;
        default:
            return 0;
    }
}

// The `count` words of a read's reply, each little-endian on the wire.
void TakeWords(ByteReader &r, std::uint16_t *words, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) words[i] = GetU16le(r);
}

// Examines a received frame of `length` bytes. A reply is accepted when it
// has mode 2, status 0, the station's TNS, and carries every byte taken
// from it: the EXT STS byte after STS 0xF0 (kStsExtended), the words a read asked for
// after STS 0. A reply with another STS carries no data; nothing is copied.
// Bytes beyond `length` are never used: they would be left-overs of the
// request.
ReplyVerdict TakeReply(Transaction &txn, std::uint16_t tns, int length) {
    ByteReader r = MakeReader(txn.frame, static_cast<std::size_t>(length));
    const std::uint8_t mode = GetU8(r);
    SeekTo(r, kEncapStatus);
    const std::uint32_t status = GetU32be(r);
    SeekTo(r, kPcccSts);
    const std::uint8_t sts = GetU8(r);
    const std::uint16_t replyTns = GetU16le(r);
    if (r.overflow || mode != kModeReply || status != 0 || replyTns != tns) return kReplyDrop;
    const std::size_t wanted = sts == 0 ? WantedDataBytes(txn) : sts == kStsExtended ? 1 : 0;
    if (Remaining(r) < wanted) return kReplyDrop;
    txn.sts = sts;
    txn.extSts = sts == kStsExtended ? GetU8(r) : std::uint8_t{0};
    if (sts == 0) TakeWords(r, txn.data, wanted / 2);
    return kReplyAccept;
}

// Where the exchange's frames and events go in the channel's trace.
TracePoint TraceAt(const DriverContext &ctx, const Transaction &txn, const StationEntry &st) {
    return StationTrace(ctx.trace, txn.station, st.address);
}

// Closes a station whose connection is lost or timed out and makes it due
// for supervision at the channel thread's next walk, which reconnects it.
LinkResult CloseAndMakeDue(const TracePoint &at, StationEntry &st, LinkResult result) {
    TraceNote(at, TraceEvent::kClose);
    CloseStation(st);
    StoreRelaxed(st.lastSupervision, 0u);  // the channel thread polls it unlocked
    return result;
}

// Receives until a matching reply arrives. The time limit is tested after a
// receive that timed out and after every dropped frame, so a stream of
// foreign replies cannot hold the exchange past the reply time-out. A peer
// that closed the connection is a receive error at once (RcvMsg). Every
// frame received goes to the trace, taken or dropped.
LinkResult AwaitReply(DriverContext &ctx, Transaction &txn, StationEntry &st) {
    const TracePoint at = TraceAt(ctx, txn, st);
    const std::uint32_t start = plat::TickCount();
    // Command 15 may change the time-out on the host's thread while the
    // channel thread reads a master flag; the exchange keeps the one it
    // started with.
    const std::uint32_t timeoutMs = LoadRelaxed(ctx.replyTimeout);
    for (;;) {
        int length = kFrameCapacity;
        const RcvResult rc = RcvMsg(st.socket, txn.frame, &length, timeoutMs);
        if (rc == kRcvOk) TraceFrame(at, TraceDirection::kReceived, txn.frame, length);
        if (rc == kRcvOk && TakeReply(txn, st.tns, length) == kReplyAccept) return kLinkOk;
        if (rc != kRcvOk && rc != kRcvTimeout) return CloseAndMakeDue(at, st, kLinkNotConnected);
        if (!plat::TickWithin(start, timeoutMs)) return CloseAndMakeDue(at, st, kLinkTimeout);
    }
}

// Steps under the station's lock: connection check, build, send, wait. The
// request goes to the trace as it is handed to the socket.
LinkResult ExchangeLocked(DriverContext &ctx, Transaction &txn, const char *gateName,
                          StationEntry &st, StationLockHeld held) {
    if (st.socket == plat::kNoSocket) return kLinkNotConnected;
    const LinkResult built = BuildPcccRequest(ctx, txn, gateName, held);
    if (built != kLinkOk) return built;
    const TracePoint at = TraceAt(ctx, txn, st);
    TraceFrame(at, TraceDirection::kSent, txn.frame, txn.frameLength);
    if (SendMsg(st.socket, txn.frame, txn.frameLength, LoadRelaxed(ctx.replyTimeout)) != 0) {
        return CloseAndMakeDue(at, st, kLinkNotConnected);
    }
    return AwaitReply(ctx, txn, st);
}

// The pause after a time-out gives the channel thread time to reconnect
// the station: 2 x loopSleep, but never more than a minute, so that a huge
// loopSleep cannot keep the host's calling thread asleep.
constexpr std::uint64_t kMaxTimeoutPauseMs = 60000;

std::uint32_t TimeoutPause(const ChannelTimers &timers) {
    const std::uint64_t ms = 2ull * timers.loopSleep;
    return static_cast<std::uint32_t>(ms < kMaxTimeoutPauseMs ? ms : kMaxTimeoutPauseMs);
}

// The checks before the station's lock: kLinkOk when the channel is open
// and txn's station configured.
LinkResult StationServed(const DriverContext &ctx, const Transaction &txn) {
    if (LoadRelaxed(ctx.channelOpen) == 0) return kLinkNotOpen;
    // plcType may change under the station's lock (a hot-backup switch);
    // configured or not, it never changes between 0 and non-zero.
    if (txn.station >= kStationCount ||
        LoadRelaxed(ctx.stations[txn.station].plcType) == kPlcNone) {
        return kLinkNotConfigured;
    }
    return kLinkOk;
}

// A close of the channel ends the pause at once.
LinkResult PauseAfterTimeout(DriverContext &ctx, LinkResult result) {
    if (result == kLinkTimeout) plat::EventWait(&ctx.closeEvent, TimeoutPause(ctx.timers));
    return result;
}

}  // namespace

// Contract in link.h. The lock is held from the connection check to the
// end of the wait; the pause after a time-out comes after it has been
// released.
LinkResult Transact(DriverContext &ctx, Transaction &txn, const char *gateName) {
    const LinkResult served = StationServed(ctx, txn);
    if (served != kLinkOk) return served;
    StationEntry &st = ctx.stations[txn.station];
    plat::LockEnter(&st.lock);
    const LinkResult result = ExchangeLocked(ctx, txn, gateName, st, kStationLockHeld);
    plat::LockLeave(&st.lock);
    return PauseAfterTimeout(ctx, result);
}

// Contract in link.h. No pause after a time-out: the caller is the channel
// thread, which would hold the station's lock through it, and with it the
// host's calls to the station and the supervision of every other station.
LinkResult Transact(DriverContext &ctx, Transaction &txn, const char *gateName,
                    StationLockHeld held) {
    const LinkResult served = StationServed(ctx, txn);
    if (served != kLinkOk) return served;
    StationEntry &st = ctx.stations[txn.station];
    return ExchangeLocked(ctx, txn, gateName, st, held);
}

}  // namespace ordax
