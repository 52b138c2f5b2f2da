// The scripted socket table.
#include "testkit/fake_sockets.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/clock.h"
#include "platform/sockerr.h"

namespace ordax_test {

namespace {

FakeNet gNet;

int Fail(int code) {
    gNet.lastError = code;
    return -1;
}

int FakeStartup() {
    return 0;
}
void FakeCleanup() {}

plat::Socket FakeCreate() {
    if (gNet.createResult == plat::kNoSocket) gNet.lastError = gNet.createError;
    return gNet.createResult;
}

int FakeKeepAlive(plat::Socket) {
    return gNet.keepAliveError ? Fail(gNet.keepAliveError) : 0;
}
int FakeNonBlocking(plat::Socket) {
    return gNet.nonBlockingError ? Fail(gNet.nonBlockingError) : 0;
}
int FakeBind(plat::Socket) {
    return gNet.bindError ? Fail(gNet.bindError) : 0;
}

int FakeConnect(plat::Socket, std::uint32_t addr, std::uint16_t port) {
    ++gNet.connectCalls;
    gNet.connectAddr = addr;
    gNet.connectPort = port;
    return gNet.connectError ? Fail(gNet.connectError) : 0;
}

// The outcome of the next wait: the wait script's first, else (a read wait)
// a ReadWait step at the front of the recv script, else ready. A read wait
// with nothing left to read (an empty recv script and no repeated frame)
// times out, as it would on a socket whose peer keeps silent.
plat::WaitResult NextWaitOutcome(bool forWrite) {
    if (!gNet.waits.empty()) {
        const plat::WaitResult r = gNet.waits.front();
        gNet.waits.pop_front();
        return r;
    }
    if (forWrite) return plat::kWaitReady;
    if (gNet.recv.empty()) return gNet.recvRepeat.empty() ? plat::kWaitTimedOut : plat::kWaitReady;
    if (gNet.recv.front().kind != IoStep::kWait) return plat::kWaitReady;
    const plat::WaitResult r = gNet.recv.front().wait;
    gNet.recv.pop_front();
    return r;
}

plat::WaitResult FakeWait(plat::Socket, bool forWrite, std::uint32_t timeoutMs) {
    if (gNet.onWait) gNet.onWait();
    gNet.waitTimeouts.push_back(timeoutMs);
    gNet.waitForWrite.push_back(forWrite);
    const plat::WaitResult r = NextWaitOutcome(forWrite);
    if (r == plat::kWaitFailed) gNet.lastError = gNet.waitError;
    if (r == plat::kWaitTimedOut) plat::SleepMs(timeoutMs);  // a time-out takes its time
    return r;
}

// A wait for many takes the next scripted wait for all of its sockets.
int FakeWaitMany(plat::WaitItem *items, int count, std::uint32_t timeoutMs) {
    const plat::WaitResult r =
        count > 0 ? FakeWait(items[0].socket, items[0].forWrite, timeoutMs) : plat::kWaitTimedOut;
    for (int i = 0; i < count; ++i) items[i].ready = r == plat::kWaitReady;
    if (r == plat::kWaitFailed) return -1;
    return r == plat::kWaitReady ? count : 0;
}

int FakeConnectError(plat::Socket) {
    ++gNet.connectErrorCalls;
    return gNet.pendingConnectError;
}

int FakeSend(plat::Socket, const void *bytes, int length) {
    ++gNet.sendCalls;
    int accepted = length;
    std::optional<IoStep> step = gNet.sendRepeat;
    if (!gNet.send.empty()) {
        step = std::move(gNet.send.front());
        gNet.send.pop_front();
    }
    if (step) {
        if (step->kind == IoStep::kError) return Fail(step->error);
        accepted = std::min(step->count, length);
    }
    const auto *p = static_cast<const std::uint8_t *>(bytes);
    gNet.sent.insert(gNet.sent.end(), p, p + accepted);
    return accepted;
}

// Hands out up to `length` bytes of the byte step at the front of the recv script.
int HandOut(IoStep &step, void *bytes, int length) {
    if (length <= 0) {  // the driver never asks for nothing
        std::fprintf(stderr, "fake sockets: recv of %d bytes\n", length);
        std::abort();
    }
    const auto n = std::min(step.bytes.size(), static_cast<std::size_t>(length));
    const auto end = step.bytes.begin() + static_cast<std::ptrdiff_t>(n);
    std::copy(step.bytes.begin(), end, static_cast<std::uint8_t *>(bytes));
    gNet.received.insert(gNet.received.end(), step.bytes.begin(), end);
    step.bytes.erase(step.bytes.begin(), end);
    if (step.bytes.empty()) gNet.recv.pop_front();
    return static_cast<int>(n);
}

int FakeRecv(plat::Socket, void *bytes, int length) {
    ++gNet.recvCalls;
    if (gNet.recv.empty() && !gNet.recvRepeat.empty())
        gNet.recv.push_back(RecvBytes(gNet.recvRepeat));
    if (gNet.recv.empty() || gNet.recv.front().kind == IoStep::kWait) {
        return Fail(plat::kWsaEwouldblock);
    }
    IoStep &step = gNet.recv.front();
    if (step.kind == IoStep::kMade) step = RecvBytes(step.make());
    if (step.kind == IoStep::kClosed) return 0;
    if (step.kind == IoStep::kError) {
        int code = step.error;
        gNet.recv.pop_front();
        return Fail(code);
    }
    return HandOut(step, bytes, length);
}

void FakeClose(plat::Socket s) {
    gNet.closed.push_back(s);
    if (gNet.onClose) gNet.onClose();
}

int FakeLookup(const char *name, std::uint32_t *addr) {
    gNet.lookups.emplace_back(name);
    if (gNet.lookupError) return Fail(gNet.lookupError);
    *addr = gNet.lookupAddr;
    return 0;
}

std::uint32_t FakeInetAddr(const char *text) {
    gNet.inetAddrs.emplace_back(text);
    return plat::NativeSockets().inetAddr(text);
}

int FakeLastError() {
    return gNet.lastError;
}

const plat::SocketOps kFakeOps = {
    FakeStartup, FakeCleanup, FakeCreate,       FakeKeepAlive, FakeNonBlocking, FakeBind,
    FakeConnect, FakeWait,    FakeConnectError, FakeWaitMany,  FakeSend,        FakeRecv,
    FakeClose,   FakeLookup,  FakeInetAddr,     FakeLastError,
};

}  // namespace

IoStep RecvBytes(std::vector<std::uint8_t> bytes) {
    IoStep step;
    step.bytes = std::move(bytes);
    return step;
}
IoStep SendAccepts(int count) {
    IoStep step;
    step.count = count;
    return step;
}
IoStep Fails(int wsaError) {
    IoStep step;
    step.kind = IoStep::kError;
    step.error = wsaError;
    return step;
}
IoStep PeerClosed() {
    IoStep step;
    step.kind = IoStep::kClosed;
    return step;
}
IoStep ReadWait(plat::WaitResult outcome) {
    IoStep step;
    step.kind = IoStep::kWait;
    step.wait = outcome;
    return step;
}
IoStep MadeBytes(std::function<std::vector<std::uint8_t>()> make) {
    IoStep step;
    step.kind = IoStep::kMade;
    step.make = std::move(make);
    return step;
}

FakeNet &Net() {
    return gNet;
}

FakeSockets::FakeSockets() {
    gNet = FakeNet{};
    plat::SetSocketOps(&kFakeOps);
}

FakeSockets::~FakeSockets() {
    plat::SetSocketOps(nullptr);
    gNet = FakeNet{};
}

std::vector<std::uint8_t> Frame(std::uint16_t dataLength, const std::vector<std::uint8_t> &data) {
    // Sized once and filled in place (an insert after the header trips a
    // false -Warray-bounds in GCC 12 at -O2).
    std::vector<std::uint8_t> f(28 + data.size(), 0);
    f[0] = 2;
    f[2] = static_cast<std::uint8_t>(dataLength >> 8);
    f[3] = static_cast<std::uint8_t>(dataLength & 0xFF);
    std::copy(data.begin(), data.end(), f.begin() + 28);
    return f;
}

}  // namespace ordax_test
