// Connection attempts to many stations at once (see connect_batch.h).
#include "link/connect_batch.h"

#include <cstring>

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

}  // namespace

ConnectBatch::ConnectBatch(const ChannelTimers &timers, Trace *trace)
    : timers_(timers), trace_(trace) {
    for (Attempt &a : attempts_) {
        a.socket = plat::kNoSocket;
        a.phase = Phase::kIdle;
        a.phaseStart = 0;
        a.address[0] = '\0';
        std::memset(a.session, 0, sizeof a.session);
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
    return TracePoint{trace_, station, attempts_[station].address};
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
    const plat::SocketOps &ops = plat::Sockets();
    Attempt &a = attempts_[station];
    std::memcpy(a.address, address, sizeof a.address - 1);
    a.address[sizeof a.address - 1] = '\0';
    a.socket = ops.createTcp();
    if (a.socket == plat::kNoSocket) {
        Emit(linkmsg::kNoSocket, a.address);
        Fail(station);
        return;
    }
    std::uint32_t addr = 0;
    if (!PrepareSocket(a.socket, a.address) || !ResolveAddress(a.address, &addr)) {
        Fail(station);
        return;
    }
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

// The connect is made: send the session request and await the reply.
void ConnectBatch::Greet(int station) {
    Attempt &a = attempts_[station];
    std::uint8_t request[kSessionRequestSize];
    BuildSessionRequest(request);
    TraceFrame(TraceAt(station), TraceDirection::kSent, request, static_cast<int>(sizeof request));
    if (SendMsg(a.socket, request, static_cast<int>(sizeof request), timers_.sessionTimeout) != 0) {
        Emit(linkmsg::kSessionSend);
        Fail(station);
        return;
    }
    a.phase = Phase::kGreeting;
    a.phaseStart = plat::TickCount();
}

// The socket is readable: one reply of at most 43 bytes, whose bytes 4-7
// are the session handle.
void ConnectBatch::ReadSession(int station) {
    Attempt &a = attempts_[station];
    std::uint8_t reply[kSessionReplyCapacity];
    int length = static_cast<int>(sizeof reply);
    if (RcvMsg(a.socket, reply, &length, timers_.sessionTimeout) != kRcvOk) {
        Emit(linkmsg::kSessionReceive);
        Fail(station);
        return;
    }
    TraceFrame(TraceAt(station), TraceDirection::kReceived, reply, length);
    ByteReader answer = MakeReader(reply, static_cast<std::size_t>(length), kEncapSession);
    GetBytes(answer, a.session, kSessionSize);
    if (answer.overflow) {
        Emit(linkmsg::kSessionReceive);
        Fail(station);
        return;
    }
    a.phase = Phase::kConnected;
    failed_[station] = false;
    Queue(station);
}

// The attempt's wait has run out.
void ConnectBatch::Expire(int station) {
    Emit(attempts_[station].phase == Phase::kConnecting ? linkmsg::kConnectTimeout
                                                        : linkmsg::kSessionReceive);
    Fail(station);
}

bool ConnectBatch::Busy(int station) const {
    const Phase p = attempts_[station].phase;
    return p == Phase::kConnecting || p == Phase::kGreeting;
}

bool ConnectBatch::Pending() const {
    for (int n = 0; n < kStationCount; ++n) {
        if (Busy(n)) return true;
    }
    return false;
}

std::uint32_t ConnectBatch::PhaseLeft(int station) const {
    const Attempt &a = attempts_[station];
    return TimeLeft(a.phaseStart, a.phase == Phase::kConnecting ? timers_.connectTimeout
                                                                : timers_.sessionTimeout);
}

// The wait itself failed: every attempt it watched fails with the wait's
// error, named as the step it was in.
void ConnectBatch::FailAll(const plat::WaitItem *items, const int *stations, int count) {
    const int code = plat::Sockets().lastError();
    for (int i = 0; i < count; ++i) {
        if (items[i].forWrite) {
            Emit(linkmsg::kConnectSelectErrno, code, code);
        } else {
            Emit(linkmsg::kRcvSelectFailed, code, code);
            Emit(linkmsg::kSessionReceive);
        }
        Fail(stations[i]);
    }
}

// A socket of the wait: a completed connect is examined and greets, a
// readable one has its session reply read, a quiet one whose time has run
// out fails.
void ConnectBatch::Step(int station, bool ready) {
    if (ready && attempts_[station].phase == Phase::kConnecting) {
        const int code = plat::Sockets().connectError(attempts_[station].socket);
        if (code == 0) {
            Greet(station);
        } else {
            LogConnectFailure(code);
            Fail(station);
        }
    } else if (ready) {
        ReadSession(station);
    } else if (PhaseLeft(station) == 0) {
        Expire(station);
    }
}

void ConnectBatch::Advance(std::uint32_t sliceMs) {
    plat::WaitItem items[kStationCount];
    int stations[kStationCount];
    int count = 0;
    std::uint32_t wait = sliceMs;
    for (int n = 0; n < kStationCount; ++n) {
        if (!Busy(n)) continue;
        const std::uint32_t left = PhaseLeft(n);
        if (left < wait) wait = left;
        items[count] =
            plat::WaitItem{attempts_[n].socket, attempts_[n].phase == Phase::kConnecting, false};
        stations[count] = n;
        ++count;
    }
    if (count == 0) return;
    if (plat::Sockets().waitMany(items, count, wait) < 0) {
        FailAll(items, stations, count);
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
