// errno -> Windows Sockets numbers, condition by condition. Linux errno values
// differ from BSD's, so the number is never computed as 10000 + errno.
#include <cerrno>

#include "platform/sockerr.h"
#include "platform/socket.h"

namespace plat {

namespace {

struct ErrnoMapping {
    int errnoValue;
    int wsa;
};

constexpr ErrnoMapping kErrnoTable[] = {
    {EINTR, kWsaEintr},
    {EBADF, kWsaEbadf},
    {EACCES, kWsaEacces},
    {EPERM, kWsaEacces},
    {EFAULT, kWsaEfault},
    {EINVAL, kWsaEinval},
    {EMFILE, kWsaEmfile},
    {ENFILE, kWsaEmfile},
    {EAGAIN, kWsaEwouldblock},
#if EWOULDBLOCK != EAGAIN
    {EWOULDBLOCK, kWsaEwouldblock},
#endif
    {EINPROGRESS, kWsaEinprogress},
    {EALREADY, kWsaEalready},
    {ENOTSOCK, kWsaEnotsock},
    {EDESTADDRREQ, kWsaEdestaddrreq},
    {EMSGSIZE, kWsaEmsgsize},
    {EPROTOTYPE, kWsaEprototype},
    {ENOPROTOOPT, kWsaEnoprotoopt},
    {EPROTONOSUPPORT, kWsaEprotonosupport},
    {ESOCKTNOSUPPORT, kWsaEsocktnosupport},
    {EOPNOTSUPP, kWsaEopnotsupp},
    {EPFNOSUPPORT, kWsaEpfnosupport},
    {EAFNOSUPPORT, kWsaEafnosupport},
    {EADDRINUSE, kWsaEaddrinuse},
    {EADDRNOTAVAIL, kWsaEaddrnotavail},
    {ENETDOWN, kWsaEnetdown},
    {ENETUNREACH, kWsaEnetunreach},
    {ENETRESET, kWsaEnetreset},
    {ECONNABORTED, kWsaEconnaborted},
    {ECONNRESET, kWsaEconnreset},
    {EPIPE, kWsaEshutdown},  // send after the connection was shut down
    {ENOBUFS, kWsaEnobufs},
    {ENOMEM, kWsaEnobufs},
    {EISCONN, kWsaEisconn},
    {ENOTCONN, kWsaEnotconn},
    {ESHUTDOWN, kWsaEshutdown},
    {ETOOMANYREFS, kWsaEtoomanyrefs},
    {ETIMEDOUT, kWsaEtimedout},
    {ECONNREFUSED, kWsaEconnrefused},
    {ELOOP, kWsaEloop},
    {ENAMETOOLONG, kWsaEnametoolong},
    {EHOSTDOWN, kWsaEhostdown},
    {EHOSTUNREACH, kWsaEhostunreach},
};

}  // namespace

int SockErrFromErrno(int errnoValue) {
    if (errnoValue == 0) return kSockOk;
    for (const ErrnoMapping &m : kErrnoTable) {
        if (m.errnoValue == errnoValue) return m.wsa;
    }
    return kWsaSyscallFailure;
}

}  // namespace plat
