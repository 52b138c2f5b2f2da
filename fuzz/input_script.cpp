// Reading a socket script from the fuzzer's input.
#include "fuzz/input_script.h"

#include <cstring>

#include "link/encap.h"
#include "platform/sockerr.h"

namespace fuzzsock {

namespace {

using ordax_test::IoStep;

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

// The frame of a ReplyStep, answering the request sent last.
std::vector<std::uint8_t> MadeReply(std::uint8_t sts, const std::vector<std::uint8_t> &afterSts) {
    const std::vector<std::uint8_t> &sent = ordax_test::Net().sent;
    std::vector<std::uint8_t> f(ordax::kPcccReplyData, 0);
    const std::size_t req = LastFrameStart(sent);
    if (req + ordax::kPcccReplyData <= sent.size()) {
        std::memcpy(&f[ordax::kEncapSession], &sent[req + ordax::kEncapSession],
                    ordax::kSessionSize);
        f[ordax::kPcccStart] = static_cast<std::uint8_t>(sent[req + ordax::kPcccStart] | 0x40);
        f[ordax::kPcccTns] = sent[req + ordax::kPcccTns];
        f[ordax::kPcccTns + 1] = sent[req + ordax::kPcccTns + 1];
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

constexpr int kErrors[] = {plat::kWsaEconnreset, plat::kWsaEconnaborted, plat::kWsaEnotconn,
                           plat::kWsaEtimedout,  plat::kWsaEwouldblock,  plat::kWsaEintr};
constexpr plat::WaitResult kWaits[] = {plat::kWaitTimedOut, plat::kWaitFailed, plat::kWaitNoEvent,
                                       plat::kWaitReady};

}  // namespace

Sockets::Sockets() {
    ordax_test::FakeNet &n = net();
    n.waitError = plat::kWsaEnetdown;
    n.onClose = [] { FUZZ_CHECK(ordax_test::Net().closed.back() == ordax_test::kFakeSocket); };
}

void SetSendMode(ordax_test::FakeNet &net, SendMode mode) {
    switch (mode) {
        case SendMode::kAll:
            break;
        case SendMode::kWouldBlockOnce:
            net.send.push_back(ordax_test::Fails(plat::kWsaEwouldblock));
            break;
        case SendMode::kPieces:
            net.sendRepeat = ordax_test::SendAccepts(7);
            break;
        case SendMode::kFail:
            net.sendRepeat = ordax_test::Fails(plat::kWsaEconnreset);
            break;
    }
}

void ParseRecvSteps(fuzz::Input &in, ordax_test::FakeNet &net) {
    while (in.left() > 0) {
        switch (in.Byte() % 8) {
            case kOpPiece:
            case kOpPiece1:
            case kOpPiece2: {
                const std::size_t n = std::size_t{in.Byte()} + 1;
                std::vector<std::uint8_t> piece = in.Take(n);
                if (!piece.empty()) net.recv.push_back(ordax_test::RecvBytes(std::move(piece)));
                break;
            }
            case kOpWait:
                net.recv.push_back(ordax_test::ReadWait(in.Pick(kWaits)));
                break;
            case kOpWouldBlock:
                net.recv.push_back(ordax_test::Fails(plat::kWsaEwouldblock));
                break;
            case kOpError:
                net.recv.push_back(ordax_test::Fails(in.Pick(kErrors)));
                break;
            case kOpClosed:
                net.recv.push_back(ordax_test::PeerClosed());
                return;
            default:
                if (in.left() > 0) net.recv.push_back(ordax_test::RecvBytes(in.Rest()));
                return;
        }
    }
}

IoStep ReplyStep(std::uint8_t sts, std::vector<std::uint8_t> afterSts) {
    return ordax_test::MadeBytes(
        [sts, afterSts = std::move(afterSts)] { return MadeReply(sts, afterSts); });
}

std::vector<std::uint8_t> WholePiece(const std::vector<std::uint8_t> &frame) {
    std::vector<std::uint8_t> out{kOpRest};
    out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

}  // namespace fuzzsock
