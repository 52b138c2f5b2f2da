// Win32 backend of the socket operations (Winsock, ws2_32).
//
// select's sets hold 64 sockets unless FD_SETSIZE says otherwise; a wait for
// many takes every socket of a channel of 100 pairs. Not WSAPoll: before
// Windows 10 version 2004 it never reports a failed connect, so a refused
// station would cost the whole connectTimeout.
#define FD_SETSIZE 256
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

#include "platform/sockerr.h"
#include "platform/socket.h"

namespace plat {

namespace {

// Socket handles fit in 32 bits on 32- and 64-bit Windows (handle values are
// kept below 2^32 for interoperability), so they travel as Socket.
SOCKET Native(Socket s) {
    return static_cast<SOCKET>(static_cast<std::uint32_t>(s));
}

int Win32Startup() {
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data);
}

void Win32Cleanup() {
    WSACleanup();
}

#ifndef WSA_FLAG_NO_HANDLE_INHERIT
#define WSA_FLAG_NO_HANDLE_INHERIT 0x80
#endif

// A socket no child process inherits, even one the host starts with
// bInheritHandles TRUE: a child must not keep a station's connection open
// after the driver has closed it. Windows 7 SP1 and later take the flag;
// older systems refuse it, and there the handle is made uninheritable
// straight after creation (where a layered provider refuses that too, the
// socket is kept: the station's link matters more).
Socket Win32CreateTcp() {
    SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                            WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return kNoSocket;
        ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    }
    return static_cast<Socket>(static_cast<std::uint32_t>(s));
}

int Win32SetKeepAlive(Socket s) {
    int one = 1;
    return ::setsockopt(Native(s), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char *>(&one),
                        sizeof one) == 0
               ? 0
               : -1;
}

int Win32SetNonBlocking(Socket s) {
    u_long one = 1;
    const long nonBlockingIo = static_cast<long>(FIONBIO);  // the macro is unsigned
    return ::ioctlsocket(Native(s), nonBlockingIo, &one) == 0 ? 0 : -1;
}

int Win32BindAny(Socket s) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    return ::bind(Native(s), reinterpret_cast<sockaddr *>(&local), sizeof local) == 0 ? 0 : -1;
}

int Win32Connect(Socket s, std::uint32_t addrNetOrder, std::uint16_t port) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = addrNetOrder;
    remote.sin_port = htons(port);
    return ::connect(Native(s), reinterpret_cast<sockaddr *>(&remote), sizeof remote) == 0 ? 0 : -1;
}

// Winsock reports a failed non-blocking connect (refused, unreachable) in
// the exception set, never as writable; a wait for writing watches both, so
// a refusal ends it at once instead of at its time-out.
WaitResult Win32Wait(Socket s, bool forWrite, std::uint32_t timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(s), &set);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(Native(s), &failed);
    timeval tv;
    tv.tv_sec = static_cast<long>(timeoutMs / 1000u);
    tv.tv_usec = static_cast<long>((timeoutMs % 1000u) * 1000u);
    int n = ::select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr,
                     forWrite ? &failed : nullptr, &tv);
    if (n == SOCKET_ERROR) return kWaitFailed;
    if (n == 0) return kWaitTimedOut;
    const bool ready = FD_ISSET(Native(s), &set) || (forWrite && FD_ISSET(Native(s), &failed));
    return ready ? kWaitReady : kWaitNoEvent;
}

// As Win32Wait for many sockets at once: a write wait watches the exception
// set too, so a refused connect ends the wait at once.
int Win32WaitMany(WaitItem *items, int count, std::uint32_t timeoutMs) {
    static_assert(FD_SETSIZE >= kMaxWaitItems, "a select set must take every socket");
    if (count < 0 || count > kMaxWaitItems) {
        WSASetLastError(WSAEINVAL);
        return -1;
    }
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    for (int i = 0; i < count; ++i) {
        items[i].ready = false;
        if (items[i].forWrite) {
            FD_SET(Native(items[i].socket), &writable);
            FD_SET(Native(items[i].socket), &failed);
        } else {
            FD_SET(Native(items[i].socket), &readable);
        }
    }
    timeval tv;
    tv.tv_sec = static_cast<long>(timeoutMs / 1000u);
    tv.tv_usec = static_cast<long>((timeoutMs % 1000u) * 1000u);
    int n = ::select(0, &readable, &writable, &failed, &tv);
    if (n == SOCKET_ERROR) return -1;
    int ready = 0;
    for (int i = 0; i < count && n > 0; ++i) {
        const SOCKET s = Native(items[i].socket);
        items[i].ready = items[i].forWrite ? (FD_ISSET(s, &writable) || FD_ISSET(s, &failed))
                                           : FD_ISSET(s, &readable) != 0;
        if (items[i].ready) ++ready;
    }
    return ready;
}

int Win32ConnectError(Socket s) {
    int error = 0;
    int length = sizeof error;
    if (::getsockopt(Native(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &length) !=
        0) {
        return WSAGetLastError();
    }
    return error;
}

int Win32Send(Socket s, const void *bytes, int length) {
    int n = ::send(Native(s), static_cast<const char *>(bytes), length, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int Win32Recv(Socket s, void *bytes, int length) {
    int n = ::recv(Native(s), static_cast<char *>(bytes), length, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

void Win32Close(Socket s) {
    if (s != kNoSocket) ::closesocket(Native(s));
}

// An empty name is no name: gethostbyname("") would answer with this PC's
// own address.
int Win32LookupHost(const char *name, std::uint32_t *addrNetOrder) {
    if (name == nullptr || name[0] == '\0') {
        WSASetLastError(WSAHOST_NOT_FOUND);
        return -1;
    }
    hostent *host = ::gethostbyname(name);
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr)
        return -1;
    std::memcpy(addrNetOrder, host->h_addr_list[0], sizeof *addrNetOrder);
    return 0;
}

std::uint32_t Win32InetAddr(const char *text) {
    return ::inet_addr(text);
}

int Win32LastError() {
    return WSAGetLastError();
}

constexpr SocketOps kWin32Ops = {
    Win32Startup,        Win32Cleanup,    Win32CreateTcp, Win32SetKeepAlive,
    Win32SetNonBlocking, Win32BindAny,    Win32Connect,   Win32Wait,
    Win32ConnectError,   Win32WaitMany,   Win32Send,      Win32Recv,
    Win32Close,          Win32LookupHost, Win32InetAddr,  Win32LastError,
};

}  // namespace

const SocketOps &NativeSockets() {
    return kWin32Ops;
}

// Winsock already reports its own numbers; errno values pass through the
// C runtime's table only for completeness.
int SockErrFromErrno(int errnoValue) {
    return errnoValue == 0 ? kSockOk : kWsaSyscallFailure;
}

}  // namespace plat
