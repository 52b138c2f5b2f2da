// Opening a station's connection (one attempt to connect and establish
// its session) and closing it.
#include <cstring>
#include <functional>

#include "core/wait_limit.h"
#include "diag/trace.h"
#include "link/connect_steps.h"
#include "link/encap.h"
#include "link/link.h"
#include "link/link_messages.h"
#include "platform/clock.h"
#include "platform/sockerr.h"

namespace ordax {

namespace {
// What inet_addr answers for this text and for every text it refuses.
constexpr const char *kBroadcastText = "255.255.255.255";
}  // namespace

// Keep-alive, non-blocking mode and a local bind to 0.0.0.0:0 on a new
// socket. false = failed (logged).
bool PrepareSocket(plat::Socket s, const char *address) {
    const plat::SocketOps &ops = plat::Sockets();
    if (ops.setKeepAlive(s) != 0) {
        int code = ops.lastError();
        Emit(linkmsg::kSockOpt, code, code, address);
        return false;
    }
    if (ops.setNonBlocking(s) != 0) {
        Emit(linkmsg::kIoctl, address);
        return false;
    }
    if (ops.bindAny(s) != 0) {
        LogBindFailure(ops.lastError());
        return false;
    }
    return true;
}

// Contract in connect_steps.h. An empty text (a node line with a comma and
// no standby address) is no address: Windows answers gethostbyname("")
// with this PC's own address.
AddressForm ParseAddress(const char *address, std::uint32_t *addr) {
    if (address[0] == '\0') return AddressForm::kNoAddress;
    const std::uint32_t dotted = plat::Sockets().inetAddr(address);
    if (dotted != plat::kInetNone) {
        *addr = dotted;
        return AddressForm::kDotted;
    }
    return std::strcmp(address, kBroadcastText) == 0 ? AddressForm::kNoAddress
                                                     : AddressForm::kHostName;
}

// Contract in connect_steps.h.
bool LookUpHost(const char *address, std::uint32_t *addr) {
    std::uint32_t found = plat::kInetNone;
    if (plat::Sockets().lookupHost(address, &found) != 0 || found == plat::kInetNone) {
        Emit(linkmsg::kBadHost, address);
        return false;
    }
    *addr = found;
    return true;
}

// Contract in connect_steps.h.
bool ResolveAddress(const char *address, std::uint32_t *addr) {
    switch (ParseAddress(address, addr)) {
        case AddressForm::kDotted:
            return true;
        case AddressForm::kHostName:
            return LookUpHost(address, addr);
        case AddressForm::kNoAddress:
        default:
            Emit(linkmsg::kBadHost, address);
            return false;
    }
}

bool IsPendingConnect(int code) {
    return code == plat::kWsaEwouldblock || code == plat::kWsaEinprogress ||
           code == plat::kWsaEalready || code == plat::kWsaEisconn;
}

namespace {

constexpr std::uint32_t kPauseAfterFailureMs = 100;

// The station's active address as a terminated text, even if the record's
// 32-byte field lost its terminator.
struct AddressText {
    char text[kAddressTextSize];
};

AddressText ActiveAddress(const StationEntry &station) {
    AddressText a{};
    std::memcpy(a.text, station.address, sizeof a.text - 1);
    a.text[sizeof a.text - 1] = '\0';
    return a;
}

// Connects to port 2222 and, for a pending connect, waits until the socket
// is writable or has failed. The socket's error is examined after the wait,
// so a refused connect is named as one ("forcefully refused") at once,
// rather than surfacing as a failed session send, or on Windows, where a
// refusal is never writable, as a time-out. false = failed (logged).
bool ConnectSocket(plat::Socket s, std::uint32_t addr, std::uint32_t connectTimeoutMs) {
    const plat::SocketOps &ops = plat::Sockets();
    if (ops.connect(s, addr, kPlcPort) == 0) return true;
    int code = ops.lastError();
    if (!IsPendingConnect(code)) {
        LogConnectFailure(code);
        return false;
    }
    switch (ops.wait(s, true, BoundedWaitMs(connectTimeoutMs))) {
        case plat::kWaitReady:
            code = ops.connectError(s);
            if (code == 0) return true;
            LogConnectFailure(code);
            return false;
        case plat::kWaitNoEvent:
            Emit(linkmsg::kConnectNoEvent);
            return false;
        case plat::kWaitTimedOut:
            Emit(linkmsg::kConnectTimeout);
            return false;
        case plat::kWaitFailed:
        default:
            code = ops.lastError();
            Emit(linkmsg::kConnectSelectErrno, code, code);
            return false;
    }
}

// Session handshake: the 28-byte session-connect request, then one reply of
// at most 43 bytes whose bytes 4-7 are the session handle. false = failed.
// Both frames go to the trace.
bool EstablishSession(plat::Socket s, std::uint32_t sessionTimeoutMs, const TracePoint &at,
                      std::uint8_t (&session)[kSessionSize]) {
    std::uint8_t request[kSessionRequestSize];
    BuildSessionRequest(request);
    TraceFrame(at, TraceDirection::kSent, request, static_cast<int>(sizeof request));
    if (SendMsg(s, request, static_cast<int>(sizeof request), sessionTimeoutMs) != 0) {
        Emit(linkmsg::kSessionSend);
        return false;
    }
    std::uint8_t reply[kSessionReplyCapacity];
    int length = static_cast<int>(sizeof reply);
    if (RcvMsg(s, reply, &length, sessionTimeoutMs) != kRcvOk) {
        Emit(linkmsg::kSessionReceive);
        return false;
    }
    TraceFrame(at, TraceDirection::kReceived, reply, length);
    ByteReader answer = MakeReader(reply, static_cast<std::size_t>(length), kEncapSession);
    GetBytes(answer, session, kSessionSize);
    return !answer.overflow;
}

// Steps from resolving the address to the session, on a prepared socket.
bool ConnectAndGreet(DriverContext &ctx, plat::Socket s, const TracePoint &at,
                     std::uint8_t (&session)[kSessionSize]) {
    std::uint32_t addr = 0;
    if (!ResolveAddress(at.address, &addr)) return false;
    if (!ConnectSocket(s, addr, ctx.timers.connectTimeout)) return false;
    return EstablishSession(s, ctx.timers.sessionTimeout, at, session);
}

// The station's number in the channel, for the trace; -1 for a record
// outside the channel's table.
int StationNumber(const DriverContext &ctx, const StationEntry &station) {
    const auto *first = static_cast<const void *>(ctx.stations);
    const auto *end = static_cast<const void *>(ctx.stations + kStationCount);
    const auto *it = static_cast<const void *>(&station);
    return std::less_equal<>()(first, it) && std::less<>()(it, end)
               ? static_cast<int>(&station - ctx.stations)
               : -1;
}

}  // namespace

// Contract in link.h. The caller (the supervision pass) holds the lock.
int OpenStation(DriverContext &ctx, StationEntry &station, StationLockHeld) {
    const plat::SocketOps &ops = plat::Sockets();
    const AddressText address = ActiveAddress(station);
    const TracePoint at{ctx.trace, StationNumber(ctx, station), address.text};
    plat::Socket s = ops.createTcp();
    bool ok = false;
    std::uint8_t session[kSessionSize] = {};
    if (s == plat::kNoSocket) {
        Emit(linkmsg::kNoSocket, address.text);
    } else {
        ok = PrepareSocket(s, address.text) && ConnectAndGreet(ctx, s, at, session);
    }
    if (ok) {
        station.socket = s;
        std::memcpy(station.session, session, kSessionSize);
        Emit(linkmsg::kConnected, address.text);
        TraceNote(at, TraceEvent::kConnect);
        return 0;
    }
    if (s != plat::kNoSocket) {
        ops.close(s);
        plat::SleepMs(kPauseAfterFailureMs);
    }
    Emit(linkmsg::kConnectFailure, address.text);
    TraceNote(at, TraceEvent::kConnectFailed);
    return 1;
}

void CloseStation(StationEntry &station) {
    if (station.socket != plat::kNoSocket) plat::Sockets().close(station.socket);
    station.socket = plat::kNoSocket;
}

}  // namespace ordax
