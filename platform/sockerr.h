// Socket error numbers as they cross the platform layer: the Windows Sockets
// numbers (10000 + the BSD errno of the same condition) on every backend.
#pragma once

namespace plat {

enum SockErr : int {
    kSockOk = 0,
    kWsaEintr = 10004,
    kWsaEbadf = 10009,
    kWsaEacces = 10013,
    kWsaEfault = 10014,
    kWsaEinval = 10022,
    kWsaEmfile = 10024,
    kWsaEwouldblock = 10035,
    kWsaEinprogress = 10036,
    kWsaEalready = 10037,
    kWsaEnotsock = 10038,
    kWsaEdestaddrreq = 10039,
    kWsaEmsgsize = 10040,
    kWsaEprototype = 10041,
    kWsaEnoprotoopt = 10042,
    kWsaEprotonosupport = 10043,
    kWsaEsocktnosupport = 10044,
    kWsaEopnotsupp = 10045,
    kWsaEpfnosupport = 10046,
    kWsaEafnosupport = 10047,
    kWsaEaddrinuse = 10048,
    kWsaEaddrnotavail = 10049,
    kWsaEnetdown = 10050,
    kWsaEnetunreach = 10051,
    kWsaEnetreset = 10052,
    kWsaEconnaborted = 10053,
    kWsaEconnreset = 10054,
    kWsaEnobufs = 10055,
    kWsaEisconn = 10056,
    kWsaEnotconn = 10057,
    kWsaEshutdown = 10058,
    kWsaEtoomanyrefs = 10059,
    kWsaEtimedout = 10060,
    kWsaEconnrefused = 10061,
    kWsaEloop = 10062,
    kWsaEnametoolong = 10063,
    kWsaEhostdown = 10064,
    kWsaEhostunreach = 10065,
    // No Windows Sockets equivalent: reported for system errors the table
    // does not know (WSASYSCALLFAILURE).
    kWsaSyscallFailure = 10107,
};

}  // namespace plat
