// A scripted stand-in for the platform's socket table: tests queue what
// each call answers (bytes in pieces, would-block, errors, wait outcomes)
// and read back what the link did (bytes sent, time-outs asked for, calls).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace linktest {

constexpr plat::Socket kFakeSocket = 77;

// One answer of recv or send.
struct IoStep {
    enum Kind { kBytes, kError, kClosed } kind;
    std::vector<std::uint8_t> bytes;  // kBytes (recv): handed out, possibly over several calls
    int count;                        // kBytes (send): bytes accepted
    int error;                        // kError: Windows Sockets number
};

IoStep RecvBytes(std::vector<std::uint8_t> bytes);
IoStep SendAccepts(int count);
IoStep Fails(int wsaError);
IoStep PeerClosed();  // recv returns 0 for ever

struct FakeNet {
    // Scripts. An empty recv script answers would-block; an empty send
    // script accepts everything.
    std::deque<IoStep> recv;
    std::deque<IoStep> send;
    std::deque<plat::WaitResult> waits;  // empty: kWaitReady
    int waitError = 0;                   // lastError after kWaitFailed
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
    std::function<void()> onWait;   // called at the start of every wait
    std::function<void()> onClose;  // called when a socket is closed

    // Observations.
    std::vector<std::uint8_t> sent;
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

}  // namespace linktest
