// A scripted stand-in for the platform's socket table (plat::SocketOps):
// tests and fuzz targets queue what each call answers (bytes in pieces,
// would-blocks, errors, a peer's close, wait outcomes) and read back what
// the driver did (bytes sent and received, time-outs asked for, calls).
// A wait that times out takes its time on the clock the program links.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace ordax_test {

constexpr plat::Socket kFakeSocket = 77;

// One answer of recv or send, or a read wait's outcome in the recv script.
struct IoStep {
    enum Kind { kBytes, kError, kClosed, kWait, kMade } kind = kBytes;
    std::vector<std::uint8_t> bytes;  // kBytes (recv): handed out, possibly over several calls
    int count = 0;                    // kBytes (send): bytes accepted
    int error = 0;                    // kError: Windows Sockets number
    plat::WaitResult wait = plat::kWaitReady;         // kWait: the next read wait's outcome
    std::function<std::vector<std::uint8_t>()> make;  // kMade: the bytes, made when recv meets it
};

IoStep RecvBytes(std::vector<std::uint8_t> bytes);
IoStep SendAccepts(int count);
IoStep Fails(int wsaError);
IoStep PeerClosed();  // recv returns 0 for ever
// In the recv script: the next read wait has this outcome, and recv
// reports would-block until a wait has taken it.
IoStep ReadWait(plat::WaitResult outcome);
// In the recv script: bytes made when recv first meets the step (a reply to
// what was sent by then), then handed out as RecvBytes.
IoStep MadeBytes(std::function<std::vector<std::uint8_t>()> make);

struct FakeNet {
    // Scripts. An empty recv script answers would-block; an empty send
    // script accepts everything.
    std::deque<IoStep> recv;
    std::deque<IoStep> send;
    // Waits, read or write, take these outcomes first; then a read wait
    // takes a ReadWait step at the front of the recv script, a read wait
    // with nothing left to read (empty recv script, no recvRepeat) times
    // out, and every other wait is ready.
    std::deque<plat::WaitResult> waits;
    int waitError = 0;  // lastError after kWaitFailed
    plat::Socket createResult = kFakeSocket;
    int createError = 0;
    int keepAliveError = 0;  // non-zero: setKeepAlive fails with it
    int nonBlockingError = 0;
    int bindError = 0;
    int connectError = 0;         // 0: connected at once
    int pendingConnectError = 0;  // what connectError() gives after the wait
    int lookupError = 0;          // non-zero: name not found
    std::uint32_t lookupAddr = 0x0100007Fu;
    // When set, an empty recv script is refilled with this frame: an
    // endless stream of the same reply.
    std::vector<std::uint8_t> recvRepeat;
    // When set, what every send answers once the send script is empty.
    std::optional<IoStep> sendRepeat;
    std::function<void()> onWait;   // called at the start of every wait
    std::function<void()> onClose;  // called when a socket is closed

    // Observations.
    std::vector<std::uint8_t> sent;
    std::vector<std::uint8_t> received;  // every byte recv handed out
    std::vector<std::uint32_t> waitTimeouts;
    std::vector<bool> waitForWrite;
    std::vector<std::string> lookups;
    std::vector<std::string> inetAddrs;
    std::vector<plat::Socket> closed;
    std::uint32_t connectAddr = 0;
    std::uint16_t connectPort = 0;
    int recvCalls = 0;
    int sendCalls = 0;
    int connectCalls = 0;
    int connectErrorCalls = 0;
    int lastError = 0;
};

// The script of the installed fake.
FakeNet &Net();

// Installs the fake table with a fresh script for its lifetime.
class FakeSockets {
public:
    FakeSockets();
    ~FakeSockets();
    FakeSockets(const FakeSockets &) = delete;
    FakeSockets &operator=(const FakeSockets &) = delete;
    FakeNet &net() { return Net(); }
};

// A 28-byte reply header announcing `dataLength` bytes, then `data`.
std::vector<std::uint8_t> Frame(std::uint16_t dataLength,
                                const std::vector<std::uint8_t> &data = {});

}  // namespace ordax_test
