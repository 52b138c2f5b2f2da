// The steps of a connection attempt (see connect_steps.h) and the close of
// a station's connection.
#include "link/connect_steps.h"

#include <cstring>

#include "link/link.h"
#include "link/link_messages.h"
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

bool IsPendingConnect(int code) {
    return code == plat::kWsaEwouldblock || code == plat::kWsaEinprogress ||
           code == plat::kWsaEalready || code == plat::kWsaEisconn;
}

void CloseStation(StationEntry &station) {
    if (station.socket != plat::kNoSocket) plat::Sockets().close(station.socket);
    station.socket = plat::kNoSocket;
}

}  // namespace ordax
