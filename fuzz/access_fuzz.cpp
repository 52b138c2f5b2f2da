// Commands 5, 6, 7 and 10 through PdxMain with any GateAccess record a host
// can build (letter, count, bit, value width, station, packed address), on
// a station whose socket answers with replies made for each request or
// with the input's recv net. Guard bytes surround the host's buffer,
// sized as the record claims, and follow the 20000-byte channel block.
// Input: fuzz::AccessHead, the host's values, then the replies.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/input_script.h"
#include "fuzz/layouts.h"
#include "link/encap.h"
#include "testkit/channel_block.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kStation = 5;
constexpr std::size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xCD;
constexpr std::size_t kHostCap = 4 * 1100;   // more than any request may move
constexpr std::uint16_t kLeftOver = 0xA55A;  // an earlier exchange's words in the data area
constexpr std::size_t kStringRead = 81;      // a G read: 80 characters and a terminator
constexpr std::size_t kCell = 4;
constexpr std::size_t kBlockBytes = PDX_CONTEXT_SIZE + kGuard;

// The host's channel block with guard bytes after it, on the heap.
struct alignas(16) HostBlock {
    std::uint8_t bytes[kBlockBytes];
    ordax::DriverContext &ctx() { return *reinterpret_cast<ordax::DriverContext *>(bytes); }
};

char gClientName[10] = "Ordax01";

template <typename T, std::size_t N>
T Select(const T (&table)[N], std::uint8_t selector) {
    return table[selector % N];
}

// A table entry, or from 0x80 on the selector itself as a signed byte.
template <std::size_t N>
std::int32_t Field(const std::int32_t (&table)[N], std::uint8_t selector) {
    return selector >= 0x80 ? static_cast<std::int8_t>(selector) : Select(table, selector);
}

bool IsText(std::int32_t letter) {
    return letter == 'X' || letter == 'Y';
}
std::size_t TextLength(const GateAccess &g) {  // X and Y: bits 24-31
    return static_cast<std::uint32_t>(g.packedAddress) >> 24;
}
bool ValidWidth(const GateAccess &g) {
    return g.valueBits == 16 || g.valueBits == 32;
}

// Which routine a command runs for the record.
enum class Path { kString, kFileString, kBit, kWhole, kBlock };

Path PathOf(int command, const GateAccess &g) {
    if (command == PDX_READ_BLOCK || command == PDX_WRITE_BLOCK) return Path::kBlock;
    if (g.fileType == 'G') return Path::kString;
    if (command == PDX_WRITE_GATE && IsText(g.fileType)) return Path::kFileString;
    return g.bit != ordax::kNoBit ? Path::kBit : Path::kWhole;
}

// The bytes the host's buffer holds for the call, as the record says.
std::size_t Claim(int command, Path path, const GateAccess &g, std::size_t textChars) {
    switch (path) {
        case Path::kString:
            return command == PDX_READ_GATE ? kStringRead : textChars + 1;
        case Path::kFileString:
            return textChars + 1;
        case Path::kBit:
            return kCell;
        case Path::kWhole:
            return IsText(g.fileType) ? TextLength(g) : kCell;
        case Path::kBlock:
            break;
    }
    if (command == PDX_READ_BLOCK && IsText(g.fileType) && g.count == 1) return TextLength(g);
    const std::int64_t bytes = std::int64_t{g.count} * g.valueBits / 8;
    return static_cast<std::size_t>(std::clamp<std::int64_t>(bytes, 0, kHostCap));
}

// A refusal the record alone decides: nothing may be sent, result 1.
bool MustRefuse(Path path, const GateAccess &g) {
    if (!ValidWidth(g)) return true;
    if (path == Path::kBit) return g.bit < 0 || g.bit > 15;
    if (path == Path::kBlock || path == Path::kFileString) return g.count < 0;
    return false;
}

void CheckDelivered(void *, int, int, const char *text) {
    FUZZ_CHECK(std::strlen(text) <= 81);
}

// The host bytes a successful read may write, from `start` on, and which
// reply byte each must be: byte j of the window is reply byte j ^ exchange.
struct Window {
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t exchange = 0;
};

Window ReadWindow(const ordax::DriverContext &ctx, Path path, const GateAccess &g,
                  std::size_t claim) {
    const bool plc5Float = ctx.stations[kStation].plcType == ordax::kPlc5 &&
                           (g.fileType == 'F' || g.fileType == 'P') && g.valueBits == 32;
    const std::size_t exchange = g.fileType == 'Y' ? 1 : plc5Float ? 2 : 0;
    if (path == Path::kWhole && !IsText(g.fileType)) {
        return g.valueBits == 16 ? Window{2, 2, 0} : Window{0, 4, exchange};
    }
    // An X or Y text read with count 1 hands the host all its characters.
    if (IsText(g.fileType) && (path == Path::kWhole || g.count == 1)) return {0, claim, exchange};
    return {0, std::min(claim, 2u * std::size_t{ctx.txn.count}), exchange};
}

// After a successful read: the window holds reply bytes, nothing else of
// the buffer changed.
void CheckRead(const ordax::DriverContext &ctx, Path path, const GateAccess &g,
               const std::uint8_t *out, const std::uint8_t *was, std::size_t claim) {
    const std::uint8_t *r = ctx.txn.frame + ordax::kPcccReplyData;
    std::size_t from = 0;
    std::size_t to = 0;
    if (path == Path::kBit) {
        FUZZ_CHECK((out[2] == 0 || out[2] == 1) && out[3] == 0);
        from = 2;
        to = 4;
    } else if (path == Path::kString) {
        // The length word, at most 80 characters, first of a pair in the high byte.
        const int length = static_cast<std::int16_t>(r[0] | r[1] << 8);
        const auto n = static_cast<std::size_t>(std::clamp(length, 0, 80));
        for (std::size_t i = 0; i < n; ++i) FUZZ_CHECK(out[i] == r[2 + (i ^ 1)]);
        FUZZ_CHECK(out[n] == 0);
        to = n + 1;
    } else {
        const Window w = ReadWindow(ctx, path, g, claim);
        FUZZ_CHECK(w.start + w.length <= claim);
        for (std::size_t j = 0; j < w.length; ++j) {
            FUZZ_CHECK((j ^ w.exchange) < 2u * ctx.txn.count);
            FUZZ_CHECK(out[w.start + j] == r[j ^ w.exchange]);
        }
        from = w.start;
        to = w.start + w.length;
    }
    for (std::size_t i = 0; i < claim; ++i) {
        if (i < from || i >= to) FUZZ_CHECK(out[i] == was[i]);
    }
}

// After a word write that went out: the request's words are on the wire,
// and every word (or byte) the host did not give is 0.
void CheckWrite(const ordax::Transaction &txn, Path path, const GateAccess &g,
                const std::uint8_t *in, const Bytes &sent) {
    const std::size_t words = txn.count;
    FUZZ_CHECK(sent.size() >= 2 * words);
    const std::uint8_t *tail = sent.data() + sent.size() - 2 * words;
    for (std::size_t i = 0; i < words; ++i) {
        FUZZ_CHECK((tail[2 * i] | tail[2 * i + 1] << 8) == txn.data[i]);
    }
    std::size_t given = 0;  // words holding host bytes
    if (path == Path::kString || path == Path::kFileString) {
        const std::size_t capacity = path == Path::kString ? 82 : TextLength(g);
        const std::size_t chars = strnlen(reinterpret_cast<const char *>(in), capacity);
        // An X or Y text with count 1 goes out whole, an odd last character too.
        if (path == Path::kFileString && g.count == 1) FUZZ_CHECK(2 * words >= TextLength(g));
        const std::size_t first = path == Path::kString ? 1 : 0;  // G: after the length word
        given = first + (chars + 1) / 2;
        if (chars % 2 != 0) {
            // The byte after an odd last character: low byte for G and Y, high for X.
            const std::uint16_t last = txn.data[given - 1];
            FUZZ_CHECK((g.fileType == 'X' ? last >> 8 : last & 0xFF) == 0);
        }
    } else {
        const std::int64_t count = path == Path::kWhole ? 1 : g.count;
        const std::int64_t bytes =
            std::min<std::int64_t>(count * g.valueBits / 8, 2 * std::int64_t{txn.count});
        given = static_cast<std::size_t>(bytes + 1) / 2;
    }
    for (std::size_t i = given; i < words; ++i) FUZZ_CHECK(txn.data[i] == 0);
}

// The channel block outside the Transaction, stringBuffer and station 5's
// connection fields keeps every byte.
void CheckBlock(HostBlock &now, HostBlock &was) {
    ordax::DriverContext &a = now.ctx();
    ordax::DriverContext &b = was.ctx();
    const std::size_t tail = sizeof(ordax::DriverContext);
    FUZZ_CHECK(std::memcmp(now.bytes + tail, was.bytes + tail, kBlockBytes - tail) == 0);
    for (int i = 0; i < ordax::kStationCount; ++i) {
        if (i != kStation)
            FUZZ_CHECK(std::memcmp(&a.stations[i], &b.stations[i], sizeof b.stations[i]) == 0);
    }
    const ordax::StationEntry &s = a.stations[kStation];
    const ordax::StationEntry &t = b.stations[kStation];
    FUZZ_CHECK(s.plcType == t.plcType && s.basePlcType == t.basePlcType &&
               s.onStandby == t.onStandby);
    FUZZ_CHECK(std::memcmp(s.address, t.address, sizeof s.address) == 0);
    FUZZ_CHECK(std::memcmp(s.session, t.session, sizeof s.session) == 0);
    FUZZ_CHECK(a.runFlag == b.runFlag && a.threadAlive == b.threadAlive);
    FUZZ_CHECK(a.channelOpen == b.channelOpen && a.replyTimeout == b.replyTimeout);
    FUZZ_CHECK(a.clientId == b.clientId && a.clientName == b.clientName);
    FUZZ_CHECK(a.stringDefinitions == b.stringDefinitions);
    FUZZ_CHECK(a.channelThread == b.channelThread && a.locksCreated == b.locksCreated);
    FUZZ_CHECK(a.socketsStarted == b.socketsStarted);
}

// The host's record of the input.
void FillRecord(GateAccess &g, const fuzz::AccessHead &h) {
    g.addressText = "05N007000";
    g.station = Select(fuzz::kAccessStations, h.station);
    g.fileType = Select(fuzz::kAccessLetters, h.letter);
    g.packedAddress = static_cast<std::int32_t>(h.packed);
    g.bit = Field(fuzz::kAccessBits, h.bit);
    g.valueBits = Field(fuzz::kAccessWidths, h.width);
    g.count = h.count;
}

// The host's buffer: guards, then the `claim` bytes of `fill` (a text
// write's text ends in a NUL), then guards.
Bytes HostBuffer(std::size_t claim, const Bytes &fill, bool textWrite) {
    Bytes host(kGuard + claim + kGuard, kGuardByte);
    std::uint8_t *values = host.data() + kGuard;
    for (std::size_t i = 0; i < claim; ++i) values[i] = fill.empty() ? 0x5C : fill[i % fill.size()];
    if (textWrite) values[claim - 1] = 0;
    return host;
}

// The open channel in a block of guard bytes, station 5 of the input's
// family with the input's link state, and `texts` (two texts in the block's
// file, for the delivery after an N block read) as its string definitions.
void SetUpBlock(HostBlock &block, const fuzz::AccessHead &h, ordax::StringDefinition (&texts)[2]) {
    std::memset(block.bytes, kGuardByte, kBlockBytes);
    ordax::DriverContext &ctx = block.ctx();
    ordax_test::ClearChannelBlock(ctx, ordax_test::ChannelState::kOpen);
    ctx.channelOpen = (h.link & 1) != 0 ? 0 : 1;
    ctx.clientId = 0x2A;
    ctx.clientName = gClientName;
    ordax::StationEntry &st = ordax_test::ConfigureStation(
        ctx, kStation, Select(fuzz::kAccessFamilies, h.family), "127.0.0.1");
    st.tns = h.tns;
    st.socket = (h.link & 2) != 0 ? plat::kNoSocket : ordax_test::kFakeSocket;
    st.lastSupervision = 4242;
    for (std::uint16_t &w : ctx.txn.data) w = kLeftOver;
    const int element = static_cast<int>(h.packed & 0xFFF);
    const int file = static_cast<int>((h.packed >> 12) & 0xFFF);
    texts[0] = {&texts[1], 1, kStation, 'Y', file, element + h.text % 7, h.text % 100};
    texts[1] = {nullptr, 2, kStation, 'X', file, element, 99};
    ctx.stringDefinitions = &texts[0];
}

// The socket's replies: the input's recv script, or up to three replies
// made of status bytes and a data pattern from the input.
void ScriptReplies(fuzz::Input &in, const fuzz::AccessHead &h, ordax_test::FakeNet &net) {
    fuzzsock::SetSendMode(net, Select(fuzz::kSendModes, static_cast<std::uint8_t>(h.link >> 2)));
    if (h.replies % 4 == 0) {
        fuzzsock::ParseRecvSteps(in, net);
        return;
    }
    std::uint8_t shapes[3][3] = {};
    for (int r = 0; r < h.replies % 4; ++r) {
        for (std::uint8_t &b : shapes[r]) b = in.Byte();
    }
    const Bytes pattern = in.Take(16);
    for (int r = 0; r < h.replies % 4; ++r) {
        const std::uint8_t sts = shapes[r][0] < 0x80 ? 0 : shapes[r][0];
        Bytes after;
        if (sts == ordax::kStsExtended) after.push_back(shapes[r][1]);
        const std::size_t n = Select(fuzz::kAccessReplyData, shapes[r][2]);
        for (std::size_t i = 0; i < n; ++i) {
            after.push_back(pattern.empty()
                                ? static_cast<std::uint8_t>(i * 7)
                                : static_cast<std::uint8_t>(pattern[i % pattern.size()] + i / 16));
        }
        net.recv.push_back(fuzzsock::ReplyStep(sts, std::move(after)));
    }
}

// Only a whole value through command 5 or 7 changes the record: count 1
// and, for a 16-bit value other than X and Y, the data pointer 2 on.
void CheckRecord(const GateAccess &g, const GateAccess &recordBefore, Path path,
                 std::uint8_t *values) {
    GateAccess expected = recordBefore;
    if (path == Path::kWhole) {
        expected.count = 1;
        if (g.valueBits == 16 && !IsText(g.fileType)) expected.data = values + 2;
    }
    FUZZ_CHECK(g.addressText == expected.addressText && g.reserved4 == expected.reserved4);
    FUZZ_CHECK(g.station == expected.station && g.fileType == expected.fileType);
    FUZZ_CHECK(g.packedAddress == expected.packedAddress && g.bit == expected.bit);
    FUZZ_CHECK(g.valueBits == expected.valueBits && g.reserved28 == expected.reserved28);
    FUZZ_CHECK(g.count == expected.count && g.reserved36 == expected.reserved36);
    FUZZ_CHECK(g.data == expected.data);
}

// The host's side of a call: the command, the record's path, and the
// buffer the record claims, with copies of buffer and record as they were.
struct HostSide {
    int command = 0;
    Path path{};
    std::size_t claim = 0;
    Bytes host;
    Bytes hostBefore;
    std::uint8_t *values = nullptr;
    GateAccess recordBefore{};
};

void PrepareHost(HostSide &side, GateAccess &g, const fuzz::AccessHead &h, const Bytes &fill) {
    side.command = Select(fuzz::kAccessCommands, h.command);
    FillRecord(g, h);
    side.path = PathOf(side.command, g);
    side.claim = Claim(side.command, side.path, g, h.text % 120u);
    const bool textWrite = side.path == Path::kFileString ||
                           (side.path == Path::kString && side.command == PDX_WRITE_GATE);
    side.host = HostBuffer(side.claim, fill, textWrite);
    side.values = side.host.data() + kGuard;
    g.data = side.values;
    side.hostBefore = side.host;
    side.recordBefore = g;
}

// What must hold after PdxMain returned `result`: the block, the guards,
// the record, the buffer and what went out.
void CheckOutcome(const HostSide &side, const GateAccess &g, int result, HostBlock &block,
                  HostBlock &before, const ordax_test::FakeNet &net) {
    const ordax::DriverContext &ctx = block.ctx();
    const Bytes &host = side.host;
    const Bytes &hostBefore = side.hostBefore;
    FUZZ_CHECK(result == PDX_DONE || result == PDX_REQUEST_ERROR || result == PDX_LINK_ERROR);
    CheckBlock(block, before);
    FUZZ_CHECK(std::equal(host.begin(), host.begin() + kGuard, hostBefore.begin()));
    FUZZ_CHECK(std::equal(host.end() - kGuard, host.end(), hostBefore.end() - kGuard));
    CheckRecord(g, side.recordBefore, side.path, side.values);
    if (MustRefuse(side.path, side.recordBefore)) {
        FUZZ_CHECK(result == PDX_REQUEST_ERROR && net.sent.empty());
    }
    if (!net.sent.empty()) FUZZ_CHECK(ctx.txn.count <= ordax::kDataWords);

    const bool read = side.command == PDX_READ_GATE || side.command == PDX_READ_BLOCK;
    if (!read || result != PDX_DONE) {
        FUZZ_CHECK(host == hostBefore);  // a write, or a failed read, leaves the buffer alone
    } else {
        CheckRead(ctx, side.path, side.recordBefore, side.values, hostBefore.data() + kGuard,
                  side.claim);
    }
    if (!read && side.path != Path::kBit && !net.sent.empty()) {
        FUZZ_CHECK(ctx.txn.function == ordax::WriteWords);
        CheckWrite(ctx.txn, side.path, side.recordBefore, side.values, net.sent);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::CheckMessagesOnce();
    static const bool sink = [] {
        TamHubSetGateSink(&CheckDelivered, nullptr);
        return true;
    }();
    (void)sink;
    fuzz::Input in(data, size);
    fuzz::AccessHead h;
    fuzz::Read(in, h);
    const Bytes fill = in.Take(16);
    HostSide side;
    auto record = std::make_unique<GateAccess>();
    GateAccess &g = *record;
    PrepareHost(side, g, h, fill);

    auto block = std::make_unique<HostBlock>();
    ordax::StringDefinition texts[2] = {};
    SetUpBlock(*block, h, texts);
    ordax::StationEntry &st = block->ctx().stations[kStation];
    fuzzsock::Sockets sockets;
    ordax_test::FakeNet &net = sockets.net();
    ScriptReplies(in, h, net);
    auto before = std::make_unique<HostBlock>();
    std::memcpy(before->bytes, block->bytes, kBlockBytes);

    PdxCall call{};
    call.driverContext = block->bytes;
    call.command = side.command;
    call.channel = 1;
    call.args = &g;
    const int result = PdxMain(&call);
    plat::LockDelete(&st.lock);
    CheckOutcome(side, g, result, *block, *before, net);
    return 0;
}
