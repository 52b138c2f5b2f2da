// Transact with a station whose socket answers the request with the
// fuzzer's frames. Input: family, request kind, file type, count, bit,
// file, element, sub-element, the station's last TNS, reply time-out, send
// behaviour, gate selector, then the recv script (fuzz/input_script.h).
#include <cstring>
#include <iterator>
#include <memory>

#include "fuzz/fuzz_input.h"
#include "fuzz/input_script.h"
#include "fuzz/layouts.h"
#include "link/encap.h"
#include "link/link.h"
#include "testkit/channel_block.h"

namespace {

constexpr int kStation = 5;
constexpr std::uint16_t kSentinel = 0xA55A;

template <typename T, std::size_t N>
T Pick(const T (&table)[N], std::uint8_t selector) {
    return table[selector % N];
}

std::uint16_t Be16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
std::uint16_t Le16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool IsRead(std::int32_t function) {
    return function == ordax::ReadSingleWord || function == ordax::ReadWords;
}

// The request of the input: function, address, count, and data words that
// a read must not keep where nothing was copied.
void FillRequest(ordax::Transaction &txn, const fuzz::TransactHead &h) {
    txn.station = kStation;
    txn.function = Pick(fuzz::kTransactFunctions, h.function);
    txn.fileType = h.fileType % 16;
    txn.count = static_cast<std::uint16_t>(h.count % 2048);
    txn.bit = h.bit;
    txn.fileNumber = h.fileNumber;
    txn.element = h.element;
    txn.subElement = h.subElement;
    for (std::uint16_t &w : txn.data) w = IsRead(txn.function) ? kSentinel : 0x1234;
}

// false when Transact refused the request before it reached the socket
// (after checking that nothing was sent or closed).
bool WentOut(ordax::LinkResult rc, const ordax_test::FakeNet &net, const ordax::StationEntry &st) {
    switch (rc) {
        case ordax::kLinkOk:
        case ordax::kLinkTimeout:
        case ordax::kLinkNotConnected:
            return true;
        case ordax::kLinkBadFileType:
        case ordax::kLinkBadPlcType:
        case ordax::kLinkBadFunction:
        case ordax::kLinkNotConfigured:
            FUZZ_CHECK(net.sent.empty() && net.closed.empty() &&
                       st.socket == ordax_test::kFakeSocket);
            return false;
        default:
            FUZZ_CHECK(rc == ordax::kLinkOk);  // a result outside Transact's set
            return true;
    }
}

// The request went out whole (unless the send failed) with the next TNS.
void CheckRequest(const ordax::StationEntry &st, const ordax::Transaction &txn,
                  const ordax_test::FakeNet &net, fuzzsock::SendMode sendMode,
                  std::uint16_t tnsBefore) {
    FUZZ_CHECK(st.tns != 0 && st.tns == (tnsBefore == 0xFFFF ? 1 : tnsBefore + 1));
    FUZZ_CHECK(txn.frameLength > static_cast<int>(ordax::kPcccFnc));
    if (sendMode != fuzzsock::SendMode::kFail) {
        const auto &sent = net.sent;
        FUZZ_CHECK(sent.size() == static_cast<std::size_t>(txn.frameLength));
        FUZZ_CHECK(sent[0] == ordax::kModeRequest && sent[1] == ordax::kCommandPccc);
        FUZZ_CHECK(Be16(&sent[2]) + ordax::kEncapHeaderSize == sent.size());
        FUZZ_CHECK(Le16(&sent[ordax::kPcccTns]) == st.tns);
    }
}

void CheckOutcome(ordax::LinkResult rc, const ordax::StationEntry &st,
                  const ordax::Transaction &txn, const ordax_test::FakeNet &net) {
    const std::size_t words = !IsRead(txn.function)                  ? 0
                              : rc != ordax::kLinkOk || txn.sts != 0 ? 0
                              : txn.function == ordax::ReadWords     ? txn.count
                                                                     : 1;
    if (rc != ordax::kLinkOk) {
        FUZZ_CHECK(st.socket == plat::kNoSocket && net.closed.size() == 1);
        if (rc == ordax::kLinkTimeout) FUZZ_CHECK(st.lastSupervision == 0);
    } else {
        // The accepted reply is in the frame buffer: mode 2, status 0, our TNS.
        const std::uint8_t *f = txn.frame;
        FUZZ_CHECK(st.socket == ordax_test::kFakeSocket && net.closed.empty());
        FUZZ_CHECK(f[ordax::kEncapMode] == ordax::kModeReply);
        FUZZ_CHECK(std::memcmp(f + ordax::kEncapStatus, "\0\0\0\0", 4) == 0);
        FUZZ_CHECK(Le16(f + ordax::kPcccTns) == st.tns && f[ordax::kPcccSts] == txn.sts);
        FUZZ_CHECK(txn.sts == ordax::kStsExtended ? txn.extSts == f[ordax::kPcccReplyData]
                                                  : txn.extSts == 0);
        FUZZ_CHECK(std::memcmp(txn.data, f + ordax::kPcccReplyData, 2 * words) == 0);
    }
    // Nothing is copied past the words asked for, nor from a refused reply.
    if (IsRead(txn.function)) {
        for (std::size_t i = words; i < ordax::kDataWords; ++i)
            FUZZ_CHECK(txn.data[i] == kSentinel);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::CheckMessagesOnce();
    fuzz::Input in(data, size);
    fuzz::TransactHead h;
    fuzz::Read(in, h);
    auto ctx = ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
    ordax::StationEntry &st = ordax_test::ConfigureStation(
        *ctx, kStation, Pick(fuzz::kTransactFamilies, h.family), "127.0.0.1");
    auto txn = std::make_unique<ordax::Transaction>();
    FillRequest(*txn, h);
    st.tns = h.tns;
    ctx->replyTimeout = Pick(fuzz::kReplyTimeouts, h.replyTimeout);
    fuzzsock::Sockets sockets;
    ordax_test::FakeNet &net = sockets.net();
    const fuzzsock::SendMode sendMode = Pick(fuzz::kSendModes, h.send);
    fuzzsock::SetSendMode(net, sendMode);
    const char *named = h.named % 2 == 0 ? "05N007000" : nullptr;
    fuzzsock::ParseRecvSteps(in, net);
    st.socket = ordax_test::kFakeSocket;
    st.lastSupervision = 4242;
    const std::uint16_t tnsBefore = st.tns;

    const ordax::LinkResult rc = ordax::Transact(*ctx, *txn, named);
    plat::LockDelete(&st.lock);
    if (!WentOut(rc, net, st)) return 0;
    CheckRequest(st, *txn, net, sendMode, tnsBefore);
    CheckOutcome(rc, st, *txn, net);
    return 0;
}
