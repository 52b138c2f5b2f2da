// The scripted socket table of the fuzz targets.
#include "fuzz/script_socket.h"

#include <algorithm>
#include <cstring>

#include "link/encap.h"
#include "platform/clock.h"
#include "platform/sockerr.h"

namespace fuzzsock {

namespace {

Script gScript;

int Fail(int code) {
    gScript.lastError = code;
    return -1;
}

int Startup() {
    return 0;
}
void Cleanup() {}
plat::Socket Create() {
    return kSocket;
}
int Ok(plat::Socket) {
    return 0;
}
int Connect(plat::Socket, std::uint32_t, std::uint16_t) {
    return 0;
}

// A read wait takes the outcome a kWait step at the front of the script
// names; every other wait is ready at once.
plat::WaitResult Wait(plat::Socket, bool forWrite, std::uint32_t timeoutMs) {
    ++gScript.waits;
    if (forWrite || gScript.recv.empty() || gScript.recv.front().kind != Step::kWait) {
        return plat::kWaitReady;
    }
    const plat::WaitResult r = gScript.recv.front().wait;
    gScript.recv.pop_front();
    if (r == plat::kWaitFailed) gScript.lastError = plat::kWsaEnetdown;
    if (r == plat::kWaitTimedOut) plat::SleepMs(timeoutMs);  // a time-out takes its time
    return r;
}

int Send(plat::Socket, const void *bytes, int length) {
    int accepted = length;
    switch (gScript.send) {
        case SendMode::kAll:
            break;
        case SendMode::kWouldBlockOnce:
            gScript.send = SendMode::kAll;
            return Fail(plat::kWsaEwouldblock);
        case SendMode::kPieces:
            accepted = std::min(length, 7);
            break;
        case SendMode::kFail:
            return Fail(plat::kWsaEconnreset);
    }
    const auto *p = static_cast<const std::uint8_t *>(bytes);
    gScript.sent.insert(gScript.sent.end(), p, p + accepted);
    return accepted;
}

// Where the last whole frame in `sent` starts (0 when there is none).
std::size_t LastFrameStart(const std::vector<std::uint8_t> &sent) {
    std::size_t at = 0;
    std::size_t last = 0;
    while (at + ordax::kPcccReplyData <= sent.size()) {
        last = at;
        at += ordax::kEncapHeaderSize +
              static_cast<std::size_t>(sent[at + ordax::kEncapDataLength] << 8 |
                                       sent[at + ordax::kEncapDataLength + 1]);
    }
    return last;
}

// The frame of a kReply step, answering the request sent last.
std::vector<std::uint8_t> MadeReply(std::uint8_t sts, const std::vector<std::uint8_t> &afterSts) {
    std::vector<std::uint8_t> f(ordax::kPcccReplyData, 0);
    const std::size_t req = LastFrameStart(gScript.sent);
    if (req + ordax::kPcccReplyData <= gScript.sent.size()) {
        std::memcpy(&f[ordax::kEncapSession], &gScript.sent[req + ordax::kEncapSession],
                    ordax::kSessionSize);
        f[ordax::kPcccStart] =
            static_cast<std::uint8_t>(gScript.sent[req + ordax::kPcccStart] | 0x40);
        f[ordax::kPcccTns] = gScript.sent[req + ordax::kPcccTns];
        f[ordax::kPcccTns + 1] = gScript.sent[req + ordax::kPcccTns + 1];
    }
    f[ordax::kEncapMode] = ordax::kModeReply;
    f[ordax::kEncapCommand] = ordax::kCommandPccc;
    std::memcpy(&f[ordax::kEncapHeaderSize], ordax::kDataPrefix, ordax::kDataPrefixSize);
    f[ordax::kPcccSts] = sts;
    f.insert(f.end(), afterSts.begin(), afterSts.end());
    const std::size_t dataLength = f.size() - ordax::kEncapHeaderSize;
    f[ordax::kEncapDataLength] = static_cast<std::uint8_t>(dataLength >> 8);
    f[ordax::kEncapDataLength + 1] = static_cast<std::uint8_t>(dataLength & 0xFF);
    return f;
}

int Recv(plat::Socket, void *bytes, int length) {
    ++gScript.recvCalls;
    if (gScript.recv.empty() || gScript.recv.front().kind == Step::kWait) {
        return Fail(plat::kWsaEwouldblock);
    }
    Step &step = gScript.recv.front();
    if (step.kind == Step::kReply) {
        step.bytes = MadeReply(static_cast<std::uint8_t>(step.error), step.bytes);
        step.kind = Step::kBytes;
    }
    switch (step.kind) {
        case Step::kClosed:
            return 0;
        case Step::kWouldBlock:
        case Step::kError: {
            const int code = step.kind == Step::kError ? step.error : plat::kWsaEwouldblock;
            gScript.recv.pop_front();
            return Fail(code);
        }
        default:
            break;
    }
    FUZZ_CHECK(length > 0);
    const std::size_t n = std::min(step.bytes.size(), static_cast<std::size_t>(length));
    std::memcpy(bytes, step.bytes.data(), n);
    gScript.received.insert(gScript.received.end(), step.bytes.begin(),
                            step.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    step.bytes.erase(step.bytes.begin(), step.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    if (step.bytes.empty()) gScript.recv.pop_front();
    return static_cast<int>(n);
}

void Close(plat::Socket s) {
    FUZZ_CHECK(s == kSocket);
    ++gScript.closes;
}

int Lookup(const char *, std::uint32_t *addr) {
    *addr = 0x0100007Fu;
    return 0;
}
std::uint32_t InetAddr(const char *) {
    return 0x0100007Fu;
}
int LastError() {
    return gScript.lastError;
}

int ConnectError(plat::Socket) {
    return 0;
}

// Each socket of a wait for many as a wait for it alone would find it.
int WaitMany(plat::WaitItem *items, int count, std::uint32_t timeoutMs) {
    int ready = 0;
    for (int i = 0; i < count; ++i) {
        items[i].ready = Wait(items[i].socket, items[i].forWrite, timeoutMs) == plat::kWaitReady;
        if (items[i].ready) ++ready;
    }
    return ready;
}

const plat::SocketOps kOps = {Startup, Cleanup, Create,       Ok,       Ok,   Ok,
                              Connect, Wait,    ConnectError, WaitMany, Send, Recv,
                              Close,   Lookup,  InetAddr,     LastError};

constexpr int kErrors[] = {plat::kWsaEconnreset, plat::kWsaEconnaborted, plat::kWsaEnotconn,
                           plat::kWsaEtimedout,  plat::kWsaEwouldblock,  plat::kWsaEintr};
constexpr plat::WaitResult kWaits[] = {plat::kWaitTimedOut, plat::kWaitFailed, plat::kWaitNoEvent,
                                       plat::kWaitReady};

}  // namespace

Script &Current() {
    return gScript;
}

Installed::Installed() {
    gScript = Script{};
    plat::SetSocketOps(&kOps);
}

Installed::~Installed() {
    plat::SetSocketOps(nullptr);
    gScript = Script{};
}

void ParseRecvSteps(fuzz::Input &in, Script &script) {
    while (in.left() > 0) {
        switch (in.Byte() % 8) {
            case kOpPiece:
            case kOpPiece1:
            case kOpPiece2: {
                const std::size_t n = std::size_t{in.Byte()} + 1;
                std::vector<std::uint8_t> piece = in.Take(n);
                if (!piece.empty()) script.recv.push_back(Step{Step::kBytes, std::move(piece)});
                break;
            }
            case kOpWait:
                script.recv.push_back(Step{Step::kWait, {}, 0, in.Pick(kWaits)});
                break;
            case kOpWouldBlock:
                script.recv.push_back(Step{Step::kWouldBlock, {}});
                break;
            case kOpError:
                script.recv.push_back(Step{Step::kError, {}, in.Pick(kErrors)});
                break;
            case kOpClosed:
                script.recv.push_back(Step{Step::kClosed, {}});
                return;
            default:
                if (in.left() > 0) script.recv.push_back(Step{Step::kBytes, in.Rest()});
                return;
        }
    }
}

Step ReplyStep(std::uint8_t sts, std::vector<std::uint8_t> afterSts) {
    return Step{Step::kReply, std::move(afterSts), sts};
}

std::vector<std::uint8_t> WholePiece(const std::vector<std::uint8_t> &frame) {
    std::vector<std::uint8_t> out{kOpRest};
    out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

}  // namespace fuzzsock
