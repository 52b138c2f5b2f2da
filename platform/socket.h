// TCP sockets behind a replaceable operations table.
//
// Every socket call of the driver goes through the table returned by
// SocketOps(). The backend (POSIX or Win32) provides the default table; tests
// install a table of their own to script would-block, partial sends, failing
// waits and silence without a real network.
//
// Sockets are plain 32-bit handles, -1 for none. Errors are reported as
// Windows Sockets numbers (platform/sockerr.h) through lastError.
#pragma once

#include <cstdint>

namespace plat {

using Socket = std::int32_t;
constexpr Socket kNoSocket = -1;

// Result of a wait for one socket.
enum WaitResult : int {
    kWaitFailed = -1,   // the wait itself failed; lastError() tells why
    kWaitTimedOut = 0,  // nothing happened within the time-out
    kWaitReady = 1,     // the socket is ready in the requested direction
    kWaitNoEvent = 2,   // the wait reported readiness, but not for this socket
};

// One socket of a wait for many: the direction to wait for, and on return
// whether the socket is ready in it (an error on the socket counts as ready,
// as for `wait`).
struct WaitItem {
    Socket socket;
    bool forWrite;
    bool ready;
};

// Most sockets one waitMany takes: every station of a channel, and its
// partner (100 pairs).
constexpr int kMaxWaitItems = 200;

struct SocketOps {
    int (*startup)();  // start the socket library (Winsock 1.1); 0 = ok
    void (*cleanup)();
    Socket (*createTcp)();            // IPv4 stream socket, kNoSocket on failure
    int (*setKeepAlive)(Socket s);    // 0 = ok
    int (*setNonBlocking)(Socket s);  // 0 = ok
    int (*bindAny)(Socket s);         // bind 0.0.0.0 port 0; 0 = ok
    // Connect to an IPv4 address given in network byte order. 0 = connected
    // at once; -1 = failed or pending, see lastError().
    int (*connect)(Socket s, std::uint32_t addrNetOrder, std::uint16_t port);
    // Wait until the socket is readable (forWrite false) or writable (true).
    // An error on the socket ends the wait as kWaitReady too: for a pending
    // connect, a refusal (on Win32 reported in select's exception set) ends
    // it at once, and connectError() then tells why.
    WaitResult (*wait)(Socket s, bool forWrite, std::uint32_t timeoutMs);
    // The outcome of a pending connect once the wait ended (SO_ERROR), as a
    // Windows Sockets number: 0 = connected, else why it failed (10061
    // refused). A failure of the query itself is reported as its error.
    int (*connectError)(Socket s);
    // Waits until at least one of `count` sockets (at most kMaxWaitItems) is
    // ready as its item asks, or `timeoutMs` has passed, and marks the ready
    // ones. Returns how many are ready (0 = timed out), -1 when the wait
    // itself failed (lastError() tells why). Never limited by descriptor
    // numbers: poll on POSIX, a select set sized for kMaxWaitItems on Win32.
    int (*waitMany)(WaitItem *items, int count, std::uint32_t timeoutMs);
    // Byte count handed over or received (0 = peer closed), -1 on error.
    int (*send)(Socket s, const void *bytes, int length);
    int (*recv)(Socket s, void *bytes, int length);
    void (*close)(Socket s);
    // Name lookup: first IPv4 address in network order; 0 = found. An empty
    // name is never found (it is not resolved at all).
    int (*lookupHost)(const char *name, std::uint32_t *addrNetOrder);
    // Dotted-decimal conversion as inet_addr: network order, or
    // kInetNone (all ones) when the text is not an address.
    std::uint32_t (*inetAddr)(const char *text);
    int (*lastError)();  // Windows Sockets number of the last failure
};

constexpr std::uint32_t kInetNone = 0xFFFFFFFFu;

// The table in use: the backend's unless a test installed another one.
const SocketOps &Sockets();
// The backend's own table, for fakes that delegate part of the calls.
const SocketOps &NativeSockets();
// Install a table (nullptr restores the backend's). Not thread safe: call it
// only while no channel runs.
void SetSocketOps(const SocketOps *ops);

// Map a host errno value to its Windows Sockets number (POSIX backend; the
// Win32 backend reports Winsock numbers as they are).
int SockErrFromErrno(int errnoValue);

}  // namespace plat
