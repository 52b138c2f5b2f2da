// Connection attempts to many stations at once (see connect_batch.h).
#include "link/connect_batch.h"

#include <cstring>

#include "core/wait_limit.h"
#include "link/connect_steps.h"
#include "link/link_messages.h"
#include "platform/clock.h"
#include "platform/sockerr.h"

namespace ordax {

namespace {

// Time left of `limitMs` since `start`; 0 once it has run out.
std::uint32_t TimeLeft(std::uint32_t start, std::uint32_t limitMs) {
    const std::uint32_t elapsed = plat::TickCount() - start;
    return elapsed >= limitMs ? 0 : limitMs - elapsed;
}

// A peer that closed in order: reported as a reset, as every receive does.
constexpr int kPeerClosedError = plat::kWsaEconnreset;

}  // namespace

ConnectBatch::ConnectBatch(const ChannelTimers &timers, Trace *trace)
    : timers_(timers), trace_(trace) {
    for (Attempt &a : attempts_) {
        a.socket = plat::kNoSocket;
        a.phase = Phase::kIdle;
        a.phaseStart = 0;
        a.sent = 0;
        a.got = 0;
        a.address[0] = '\0';
        std::memset(a.session, 0, sizeof a.session);
        std::memset(a.reply, 0, sizeof a.reply);
    }
    for (bool &f : failed_) f = false;
    for (int &f : finished_) f = 0;
}

ConnectBatch::~ConnectBatch() {
    for (Attempt &a : attempts_) {
        if (a.socket != plat::kNoSocket) plat::Sockets().close(a.socket);
    }
}

TracePoint ConnectBatch::TraceAt(int station) const {
    return StationTrace(trace_, station, attempts_[station].address);
}

void ConnectBatch::Queue(int station) {
    if (count_ == kStationCount) return;  // cannot happen: one outcome per station
    finished_[(head_ + count_) % kStationCount] = station;
    ++count_;
}

// Ends the attempt: closes its socket and logs the closing message (the
// failed step has logged its own).
void ConnectBatch::Fail(int station) {
    Attempt &a = attempts_[station];
    if (a.socket != plat::kNoSocket) plat::Sockets().close(a.socket);
    a.socket = plat::kNoSocket;
    a.phase = Phase::kIdle;
    Emit(linkmsg::kConnectFailure, a.address);
    TraceNote(TraceAt(station), TraceEvent::kConnectFailed);
    failed_[station] = true;
    Queue(station);
}

void ConnectBatch::Start(int station, const char (&address)[kAddressTextSize]) {
    if (station < 0 || station >= kStationCount || attempts_[station].phase != Phase::kIdle) return;
    Attempt &a = attempts_[station];
    std::memcpy(a.address, address, sizeof a.address - 1);
    a.address[sizeof a.address - 1] = '\0';
    a.sent = 0;
    a.got = 0;
    a.socket = plat::Sockets().createTcp();
    if (a.socket == plat::kNoSocket) {
        Emit(linkmsg::kNoSocket, a.address);
        Fail(station);
        return;
    }
    if (!PrepareSocket(a.socket, a.address)) {
        Fail(station);
        return;
    }
    std::uint32_t addr = 0;
    switch (ParseAddress(a.address, &addr)) {
        case AddressForm::kDotted:
            Connect(station, addr);
            return;
        case AddressForm::kHostName:
            a.phase = Phase::kResolving;
            a.phaseStart = plat::TickCount();
            return;
        case AddressForm::kNoAddress:
        default:
            Emit(linkmsg::kBadHost, a.address);
            Fail(station);
            return;
    }
}

// The remote address is known: a non-blocking connect.
void ConnectBatch::Connect(int station, std::uint32_t addr) {
    const plat::SocketOps &ops = plat::Sockets();
    Attempt &a = attempts_[station];
    a.phase = Phase::kConnecting;
    a.phaseStart = plat::TickCount();
    if (ops.connect(a.socket, addr, kPlcPort) == 0) {
        Greet(station);
        return;
    }
    const int code = ops.lastError();
    if (!IsPendingConnect(code)) {
        LogConnectFailure(code);
        Fail(station);
    }
}

// One host-name lookup, of the lowest station waiting for one: a slow
// resolver holds the walk up for one lookup at a time, and the connected
// pairs are supervised between two lookups.
void ConnectBatch::ResolveNext() {
    for (int n = 0; n < kStationCount; ++n) {
        if (attempts_[n].phase != Phase::kResolving) continue;
        std::uint32_t addr = 0;
        if (LookUpHost(attempts_[n].address, &addr)) {
            Connect(n, addr);
        } else {
            Fail(n);
        }
        return;
    }
}

// The connect is made: send the session request and await the reply.
void ConnectBatch::Greet(int station) {
    Attempt &a = attempts_[station];
    std::uint8_t request[kSessionRequestSize];
    BuildSessionRequest(request);
    TraceFrame(TraceAt(station), TraceDirection::kSent, request, static_cast<int>(sizeof request));
    a.phase = Phase::kSending;
    a.phaseStart = plat::TickCount();
    a.sent = 0;
    SendRequest(station);
}

// Hands the socket as much of the session request as it takes; the rest
// waits until the socket is writable again. A send that takes nothing
// counts as a would-block.
void ConnectBatch::SendRequest(int station) {
    const plat::SocketOps &ops = plat::Sockets();
    Attempt &a = attempts_[station];
    std::uint8_t request[kSessionRequestSize];
    BuildSessionRequest(request);
    const int size = static_cast<int>(sizeof request);
    while (a.sent < size) {
        const int n = ops.send(a.socket, request + a.sent, size - a.sent);
        if (n > 0) {
            a.sent += n;
            continue;
        }
        const int code = n == 0 ? plat::kWsaEwouldblock : ops.lastError();
        if (code == plat::kWsaEwouldblock) return;
        Emit(linkmsg::kSendErrno, code, code);
        Emit(linkmsg::kSessionSend);
        Fail(station);
        return;
    }
    a.phase = Phase::kGreeting;
    a.phaseStart = plat::TickCount();
    a.got = 0;
}

// The socket is readable: takes what it has of the session reply, never
// more than the frame its header announces. The reply's time counts from
// its first bytes, as for any received frame.
void ConnectBatch::ReadSession(int station) {
    const plat::SocketOps &ops = plat::Sockets();
    Attempt &a = attempts_[station];
    int frame = static_cast<int>(kEncapHeaderSize);
    for (;;) {
        if (a.got >= static_cast<int>(kEncapHeaderSize)) {
            ByteReader header = MakeReader(a.reply, kEncapHeaderSize, kEncapDataLength);
            frame = static_cast<int>(kEncapHeaderSize) + GetU16be(header);
            if (frame > static_cast<int>(sizeof a.reply)) {
                Emit(linkmsg::kRcvTooLong);
                break;
            }
            if (a.got == frame) {
                if (TakeSession(station)) return;
                break;
            }
        }
        const int n = ops.recv(a.socket, a.reply + a.got, frame - a.got);
        if (n > 0) {
            if (a.got == 0) a.phaseStart = plat::TickCount();
            a.got += n;
            continue;
        }
        const int code = n == 0 ? kPeerClosedError : ops.lastError();
        if (code == plat::kWsaEwouldblock) return;  // the rest is still to come
        Emit(linkmsg::kRcvError, code, code);
        break;
    }
    Emit(linkmsg::kSessionReceive);
    Fail(station);
}

// The whole reply is in: bytes 4-7 are the session handle.
bool ConnectBatch::TakeSession(int station) {
    Attempt &a = attempts_[station];
    TraceFrame(TraceAt(station), TraceDirection::kReceived, a.reply, a.got);
    ByteReader answer = MakeReader(a.reply, static_cast<std::size_t>(a.got), kEncapSession);
    GetBytes(answer, a.session, kSessionSize);
    if (answer.overflow) return false;
    a.phase = Phase::kConnected;
    failed_[station] = false;
    Queue(station);
    return true;
}

// The attempt's wait has run out: named as the step it was in. A session
// reply cut short is a receive that timed out; one of which no byte came
// is a wait that timed out, without a message of its own.
void ConnectBatch::Expire(int station) {
    const Attempt &a = attempts_[station];
    switch (a.phase) {
        case Phase::kConnecting:
            Emit(linkmsg::kConnectTimeout);
            break;
        case Phase::kSending:
            Emit(linkmsg::kSendErrno, plat::kWsaEwouldblock, plat::kWsaEwouldblock);
            Emit(linkmsg::kSessionSend);
            break;
        default:
            if (a.got > 0) {
                Emit(linkmsg::kRcvTimeout);
                Emit(linkmsg::kRcvError, plat::kWsaEtimedout, plat::kWsaEtimedout);
            }
            Emit(linkmsg::kSessionReceive);
            break;
    }
    Fail(station);
}

bool ConnectBatch::Busy(int station) const {
    const Phase p = attempts_[station].phase;
    return p != Phase::kIdle && p != Phase::kConnected;
}

bool ConnectBatch::Pending() const {
    for (int n = 0; n < kStationCount; ++n) {
        if (Busy(n)) return true;
    }
    return false;
}

std::uint32_t ConnectBatch::PhaseLeft(int station) const {
    const Attempt &a = attempts_[station];
    const std::uint32_t limit =
        a.phase == Phase::kConnecting ? timers_.connectTimeout : timers_.sessionTimeout;
    return TimeLeft(a.phaseStart, BoundedWaitMs(limit));
}

// The wait itself failed: every attempt it watched fails with the wait's
// error, named as the step it was in.
void ConnectBatch::FailAll(const int *stations, int count) {
    const int code = plat::Sockets().lastError();
    for (int i = 0; i < count; ++i) {
        switch (attempts_[stations[i]].phase) {
            case Phase::kConnecting:
                Emit(linkmsg::kConnectSelectErrno, code, code);
                break;
            case Phase::kSending:
                Emit(linkmsg::kSendErrno, code, code);
                Emit(linkmsg::kSessionSend);
                break;
            default:
                Emit(linkmsg::kRcvSelectFailed, code, code);
                Emit(linkmsg::kSessionReceive);
                break;
        }
        Fail(stations[i]);
    }
}

// A socket of the wait: a completed connect is examined and greets, a
// writable one sends on, a readable one gives its bytes; one still under
// way in the same step once its time has run out fails.
void ConnectBatch::Step(int station, bool ready) {
    Attempt &a = attempts_[station];
    const Phase before = a.phase;
    if (ready && before == Phase::kConnecting) {
        const int code = plat::Sockets().connectError(a.socket);
        if (code == 0) {
            Greet(station);
        } else {
            LogConnectFailure(code);
            Fail(station);
        }
    } else if (ready && before == Phase::kSending) {
        SendRequest(station);
    } else if (ready) {
        ReadSession(station);
    }
    if (a.phase == before && Busy(station) && PhaseLeft(station) == 0) Expire(station);
}

void ConnectBatch::Advance(std::uint32_t sliceMs) {
    ResolveNext();
    plat::WaitItem items[kStationCount];
    int stations[kStationCount];
    int count = 0;
    std::uint32_t wait = sliceMs;
    for (int n = 0; n < kStationCount; ++n) {
        if (attempts_[n].phase == Phase::kResolving) wait = 0;  // the next lookup is due
        if (!Busy(n) || attempts_[n].phase == Phase::kResolving) continue;
        const std::uint32_t left = PhaseLeft(n);
        if (left < wait) wait = left;
        const bool forWrite =
            attempts_[n].phase == Phase::kConnecting || attempts_[n].phase == Phase::kSending;
        items[count] = plat::WaitItem{attempts_[n].socket, forWrite, false};
        stations[count] = n;
        ++count;
    }
    if (count == 0) return;
    if (plat::Sockets().waitMany(items, count, wait) < 0) {
        FailAll(stations, count);
        return;
    }
    for (int i = 0; i < count; ++i) Step(stations[i], items[i].ready);
}

bool ConnectBatch::NextFinished(Finished *out) {
    if (count_ == 0) return false;
    const int station = finished_[head_];
    head_ = (head_ + 1) % kStationCount;
    --count_;
    out->station = station;
    out->outcome = failed_[station] ? Outcome::kFailed : Outcome::kConnected;
    return true;
}

bool ConnectBatch::Install(int station, StationEntry &entry, StationLockHeld) {
    Attempt &a = attempts_[station];
    if (a.phase != Phase::kConnected) return false;
    const bool same = std::strncmp(entry.address, a.address, sizeof a.address - 1) == 0;
    a.phase = Phase::kIdle;
    if (entry.socket != plat::kNoSocket || !same) {
        plat::Sockets().close(a.socket);
        a.socket = plat::kNoSocket;
        return false;
    }
    entry.socket = a.socket;
    std::memcpy(entry.session, a.session, kSessionSize);
    a.socket = plat::kNoSocket;
    Emit(linkmsg::kConnected, a.address);
    TraceNote(TraceAt(station), TraceEvent::kConnect);
    return true;
}

}  // namespace ordax
