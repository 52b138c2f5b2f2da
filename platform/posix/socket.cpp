// POSIX backend of the socket operations.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/clock.h"
#include "platform/sockerr.h"
#include "platform/socket.h"

namespace plat {

namespace {

thread_local int tLastError = 0;

// Record errno as the thread's last socket error and return -1.
int Fail() {
    tLastError = SockErrFromErrno(errno);
    return -1;
}

int PosixStartup() {
    return 0;
}
void PosixCleanup() {}

// Close-on-exec from the start: a child the host starts must not keep a
// station's connection open after the driver has closed it.
Socket PosixCreateTcp() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        Fail();
        return kNoSocket;
    }
    return fd;
}

int PosixSetKeepAlive(Socket s) {
    int one = 1;
    if (::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one) != 0) return Fail();
    return 0;
}

int PosixSetNonBlocking(Socket s) {
    int flags = ::fcntl(s, F_GETFL, 0);
    if (flags < 0 || ::fcntl(s, F_SETFL, flags | O_NONBLOCK) != 0) return Fail();
    return 0;
}

int PosixBindAny(Socket s) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) return Fail();
    return 0;
}

int PosixConnect(Socket s, std::uint32_t addrNetOrder, std::uint16_t port) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = addrNetOrder;
    remote.sin_port = htons(port);
    if (::connect(s, reinterpret_cast<sockaddr *>(&remote), sizeof remote) != 0) return Fail();
    return 0;
}

// Readiness of one socket as a select() on it would report it: an error or
// hang-up counts as ready (the following call returns the error).
WaitResult PosixWait(Socket s, bool forWrite, std::uint32_t timeoutMs) {
    const std::uint32_t start = TickCount();
    for (;;) {
        std::uint32_t elapsed = TickCount() - start;
        std::uint32_t left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        pollfd p{};
        p.fd = s;
        p.events = forWrite ? POLLOUT : POLLIN;
        int n = ::poll(&p, 1, left > INT_MAX ? INT_MAX : static_cast<int>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail();
            return kWaitFailed;
        }
        if (n == 0) {
            if (left == 0 || elapsed + left >= timeoutMs) return kWaitTimedOut;
            continue;  // INT_MAX slice of a longer wait
        }
        if (p.revents & POLLNVAL) {
            tLastError = kWsaEnotsock;
            return kWaitFailed;
        }
        short wanted = static_cast<short>((forWrite ? POLLOUT : POLLIN) | POLLERR | POLLHUP);
        return (p.revents & wanted) ? kWaitReady : kWaitNoEvent;
    }
}

// poll, not select: a host with many channels may hand out descriptors past
// select's 1023. An error, hang-up or invalid descriptor counts as ready;
// the call that follows names it.
int PosixWaitMany(WaitItem *items, int count, std::uint32_t timeoutMs) {
    if (count < 0 || count > kMaxWaitItems) {
        tLastError = kWsaEinval;
        return -1;
    }
    pollfd fds[kMaxWaitItems];
    for (int i = 0; i < count; ++i) {
        fds[i] = pollfd{};
        fds[i].fd = items[i].socket;
        fds[i].events = items[i].forWrite ? POLLOUT : POLLIN;
        items[i].ready = false;
    }
    const std::uint32_t start = TickCount();
    for (;;) {
        std::uint32_t elapsed = TickCount() - start;
        std::uint32_t left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        int n = ::poll(fds, static_cast<nfds_t>(count),
                       left > INT_MAX ? INT_MAX : static_cast<int>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail();
            return -1;
        }
        if (n == 0) {
            if (left == 0 || elapsed + left >= timeoutMs) return 0;
            continue;  // INT_MAX slice of a longer wait
        }
        int ready = 0;
        for (int i = 0; i < count; ++i) {
            const short wanted = static_cast<short>(fds[i].events | POLLERR | POLLHUP | POLLNVAL);
            items[i].ready = (fds[i].revents & wanted) != 0;
            if (items[i].ready) ++ready;
        }
        return ready;
    }
}

int PosixConnectError(Socket s) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    return SockErrFromErrno(error);
}

int PosixSend(Socket s, const void *bytes, int length) {
    for (;;) {
        ssize_t n = ::send(s, bytes, static_cast<size_t>(length), MSG_NOSIGNAL);
        if (n >= 0) return static_cast<int>(n);
        if (errno != EINTR) return Fail();
    }
}

int PosixRecv(Socket s, void *bytes, int length) {
    for (;;) {
        ssize_t n = ::recv(s, bytes, static_cast<size_t>(length), 0);
        if (n >= 0) return static_cast<int>(n);
        if (errno != EINTR) return Fail();
    }
}

void PosixClose(Socket s) {
    if (s != kNoSocket) ::close(s);
}

int PosixLookupHost(const char *name, std::uint32_t *addrNetOrder) {
    if (name == nullptr || name[0] == '\0') {  // no name, as on Win32
        tLastError = kWsaEhostunreach;
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) {
        tLastError = kWsaEhostunreach;
        return -1;
    }
    std::uint32_t addr = 0;
    std::memcpy(&addr, &reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr, sizeof addr);
    ::freeaddrinfo(found);
    *addrNetOrder = addr;
    return 0;
}

std::uint32_t PosixInetAddr(const char *text) {
    return ::inet_addr(text);
}

int PosixLastError() {
    return tLastError;
}

constexpr SocketOps kPosixOps = {
    PosixStartup,        PosixCleanup,    PosixCreateTcp, PosixSetKeepAlive,
    PosixSetNonBlocking, PosixBindAny,    PosixConnect,   PosixWait,
    PosixConnectError,   PosixWaitMany,   PosixSend,      PosixRecv,
    PosixClose,          PosixLookupHost, PosixInetAddr,  PosixLastError,
};

}  // namespace

const SocketOps &NativeSockets() {
    return kPosixOps;
}

}  // namespace plat
