// The scripted socket table.
#include "tests/link/fake_sockets.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/sockerr.h"

namespace linktest {

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

plat::WaitResult FakeWait(plat::Socket, bool forWrite, std::uint32_t timeoutMs) {
    if (gNet.onWait) gNet.onWait();
    gNet.waitTimeouts.push_back(timeoutMs);
    gNet.waitForWrite.push_back(forWrite);
    if (gNet.waits.empty()) return plat::kWaitReady;
    plat::WaitResult r = gNet.waits.front();
    gNet.waits.pop_front();
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
    if (!gNet.send.empty()) {
        IoStep step = gNet.send.front();
        gNet.send.pop_front();
        if (step.kind == IoStep::kError) return Fail(step.error);
        accepted = std::min(step.count, length);
    }
    const auto *p = static_cast<const std::uint8_t *>(bytes);
    gNet.sent.insert(gNet.sent.end(), p, p + accepted);
    return accepted;
}

int FakeRecv(plat::Socket, void *bytes, int length) {
    ++gNet.recvCalls;
    if (gNet.recv.empty() && !gNet.recvRepeat.empty())
        gNet.recv.push_back(RecvBytes(gNet.recvRepeat));
    if (gNet.recv.empty()) return Fail(plat::kWsaEwouldblock);
    IoStep &step = gNet.recv.front();
    if (step.kind == IoStep::kClosed) return 0;
    if (step.kind == IoStep::kError) {
        int code = step.error;
        gNet.recv.pop_front();
        return Fail(code);
    }
    const auto n = std::min(step.bytes.size(), static_cast<std::size_t>(length));
    std::memcpy(bytes, step.bytes.data(), n);
    step.bytes.erase(step.bytes.begin(), step.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    if (step.bytes.empty()) gNet.recv.pop_front();
    return static_cast<int>(n);
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
    return IoStep{IoStep::kBytes, std::move(bytes), 0, 0};
}
IoStep SendAccepts(int count) {
    return IoStep{IoStep::kBytes, {}, count, 0};
}
IoStep Fails(int wsaError) {
    return IoStep{IoStep::kError, {}, 0, wsaError};
}
IoStep PeerClosed() {
    return IoStep{IoStep::kClosed, {}, 0, 0};
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

}  // namespace linktest
