// Writes the starting corpora of the fuzz targets into DIR/<target>/:
//   ordax_fuzz_corpus DIR
// Gate addresses of every form with fitting gate kinds, node files, for
// the link targets the requests the driver builds for each request kind on
// both families together with the simulator's replies to them, and for
// the access target the records the parser makes and some a host builds.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/layouts.h"
#include "link/encap.h"
#include "link/link.h"
#include "testkit/channel_block.h"
#include "tools/plcsim/encap.h"
#include "tools/plcsim/state.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

fs::path gRoot;

void Write(const char *target, const std::string &name, const Bytes &bytes) {
    const fs::path dir = gRoot / target;
    fs::create_directories(dir);
    std::FILE *f = std::fopen((dir / name).c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror((dir / name).c_str());
        std::exit(1);
    }
    std::fclose(f);
}

Bytes Cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(const std::string &s) {
    return Bytes(s.begin(), s.end());
}

// Kind indices of fuzz::kGateKinds.
enum Kind : std::uint8_t { kWord = 0, kReal = 1, kDigital = 2, kString = 3 };

struct GateInput {
    const char *text;
    Kind kind;
    bool block;
    std::int16_t blockLength;
};

// Station 05 is a PLC-5, 06 an SLC 5 in the gate_parser target.
const GateInput kGates[] = {
    {"05N007012", kWord, false, 0},        {"05n007012", kWord, false, 0},
    {"05B00301007", kDigital, false, 0},   {"05S002001", kWord, false, 0},
    {"05F008003", kReal, false, 0},        {"05I00001217", kDigital, false, 0},
    {"05O00077707", kDigital, false, 0},   {"06I00001217", kWord, false, 0},
    {"06I0010030005", kDigital, false, 0}, {"05T00400101", kWord, false, 0},
    {"05T0040010013", kDigital, false, 0}, {"06C00500202", kWord, false, 0},
    {"05R006999000", kDigital, false, 0},  {"05P00900004", kReal, false, 0},
    {"05P0090000112", kDigital, false, 0}, {"05G009001", kString, false, 0},
    {"05X01002020", kString, false, 0},    {"09Y00700010", kString, false, 0},
    {"05b003010 7", kWord, false, 0},      {"0AN007000", kWord, false, 0},
    {"08N007000", kWord, false, 0},        {"33N007000", kWord, false, 0},
    {"05N007010", kWord, true, 10},        {"05N007000", kWord, true, 1000},
    {"05F008000", kReal, true, 501},       {"06N007000", kWord, true, 256},
    {"06I00100000", kWord, true, 1},       {"05T00400102", kWord, true, 1},
    {"05N00701003", kWord, true, 10},      {"05X01002020", kString, true, 1},
    {"05N007000", kWord, true, -1},        {"05N007012            ", kWord, false, 0},
};

const char *const kNodeFiles[] = {
    ("* channel 1 of the bottling line\n"
     "T 5000; 250; 5000; 5000;\n"
     "01 = 192.168.1.10\n"
     "02 = 192.168.1.20-SLC5\n"
     "05 = 192.168.1.50-PLC5, 192,168,1,51 ; PLC5\n"
     "07 = 192.168.1.70-slc5,192.168.1.71;slc5\n"),
    "T1000;300\r\n09=10.0.0.9\r\n",
    "T;;;9000;\n9=10.0.0.9\n123=host.plant\n42:#=plc42\n",
    "Tabc;-5;4294967296;x;\n99=-SLC5\n00=host.plant,\n",
    "08=a-x-SLC5,b;SLC5;x\n08=a,b-SLC5\n",
    "* no station\n\n   \nt1000;\n",
    ("01=abcdefghijklmnopqrstuvwxyz0123456789\n"
     "02=abcdefghijklmnopqrstuvwxyz01234,abcdefghijklmnopqrstuvwxyz012345\n"),
    "03=\xC3\xA9plant\t-SLC5\n04=10.0.0.4",
};

// The request of one kind as the driver builds it, and the simulator's reply.
struct Exchange {
    fuzz::TransactHead head;
    Bytes request;
    Bytes reply;
};

Bytes SessionBytes() {
    const std::uint32_t s = fuzz::kPlcsimSession;
    return {static_cast<std::uint8_t>(s >> 24), static_cast<std::uint8_t>(s >> 16),
            static_cast<std::uint8_t>(s >> 8), static_cast<std::uint8_t>(s)};
}

Exchange Build(const fuzz::TransactHead &h, plcsim::StationState &sim) {
    auto ctx = ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
    const std::int32_t family =
        fuzz::kTransactFamilies[h.family % std::size(fuzz::kTransactFamilies)];
    ordax::StationEntry &st =
        ordax_test::ConfigureStation(*ctx, 5, family, "127.0.0.1", ordax_test::StationLock::kNone);
    st.tns = h.tns;
    const Bytes session = SessionBytes();
    std::copy(session.begin(), session.end(), st.session);
    auto txn = std::make_unique<ordax::Transaction>();
    txn->station = 5;
    txn->function = fuzz::kTransactFunctions[h.function % std::size(fuzz::kTransactFunctions)];
    txn->fileType = h.fileType;
    txn->count = h.count;
    txn->bit = h.bit;
    txn->fileNumber = h.fileNumber;
    txn->element = h.element;
    txn->subElement = h.subElement;
    for (std::uint16_t i = 0; i < ordax::kDataWords; ++i) txn->data[i] = i;
    if (ordax::BuildPcccRequest(*ctx, *txn, nullptr, ordax::kStationLockHeld) != ordax::kLinkOk) {
        std::fprintf(stderr, "corpus request not built\n");
        std::exit(1);
    }
    Exchange x{h, Bytes(txn->frame, txn->frame + txn->frameLength), {}};
    plcsim::Conn conn;
    conn.session = fuzz::kPlcsimSession;
    plcsim::RequestRecord rec;
    plcsim::FrameOutcome out;
    plcsim::HandleFrame_Locked(sim, conn, x.request.data(), x.request.size(), rec, out);
    if (out.frames.size() != 1) {
        std::fprintf(stderr, "no simulator reply to a corpus request\n");
        std::exit(1);
    }
    x.reply = out.frames.front();
    return x;
}

plcsim::StationState Station(plcsim::Family family) {
    plcsim::StationState st;
    st.config.family = family;
    std::string error;
    if (!st.tables.Build("N40:10000,ST41:1000", family, error)) std::exit(1);
    return st;
}

// A PCCC request frame on the session kPlcsimSession.
Bytes PcccFrame(const Bytes &pccc) {
    const std::size_t dataLength = ordax::kDataPrefixSize + pccc.size();
    Bytes f = {ordax::kModeRequest, ordax::kCommandPccc, static_cast<std::uint8_t>(dataLength >> 8),
               static_cast<std::uint8_t>(dataLength & 0xFF)};
    f = Cat(f, SessionBytes());
    f.resize(ordax::kEncapHeaderSize, 0);
    f.insert(f.end(), ordax::kDataPrefix, ordax::kDataPrefix + ordax::kDataPrefixSize);
    return Cat(f, pccc);
}

using ordax::kFileB;
using ordax::kFileF;
using ordax::kFileN;
using ordax::kFileT;

// family 0 PLC-5, 1 SLC 5; function 0 single word, 1 bit, 2 words, 3 write words.
const fuzz::TransactHead kHeads[] = {
    {0, 0, kFileN, 1, 255, 7, 12, 0, 0, 0, 0, 0},
    {1, 0, kFileN, 1, 255, 7, 12, 0, 0, 0, 0, 0},
    {0, 1, kFileB, 1, 7, 3, 10, 0, 41, 0, 0, 1},
    {1, 1, kFileB, 1, 7, 3, 10, 0, 41, 0, 0, 1},
    {0, 2, kFileN, 10, 255, 7, 0, 0, 99, 0, 0, 0},
    {1, 2, kFileF, 4, 255, 8, 2, 0, 99, 0, 0, 0},
    {0, 2, kFileT, 1, 255, 4, 1, 2, 0xFFFF, 0, 0, 0},
    {0, 3, kFileN, 3, 255, 7, 5, 0, 7, 0, 3, 0},
    {1, 3, kFileN, 3, 255, 7, 5, 0, 7, 0, 2, 0},
    {0, 2, kFileN, 1, 255, 99, 0, 0, 5, 0, 0, 0},     // refused: no file 99
    {1, 2, kFileN, 1025, 255, 40, 0, 0, 5, 0, 0, 0},  // the largest read
};

// Each exchange of kHeads, as the driver's transaction, the simulator's
// frame and the receive loop's input; then every request of a family as one
// stream on a fresh connection's session.
void ExchangeInputs(plcsim::StationState (&sims)[2]) {
    Bytes plcsimStream[2] = {fuzz::Bytes(fuzz::PlcsimHead{0, 1}),
                             fuzz::Bytes(fuzz::PlcsimHead{1, 1})};
    int n = 0;
    for (const fuzz::TransactHead &h : kHeads) {
        const Exchange x = Build(h, sims[h.family % 2]);
        const std::string name = "in" + std::to_string(n++);
        const Bytes head = fuzz::Bytes(h);
        Write("transact", name, Cat(head, fuzzsock::WholePiece(x.reply)));
        Write("plcsim_frame", name, Cat(fuzz::Bytes(fuzz::PlcsimHead{h.family, 1}), x.request));
        Write("rcv_msg", name,
              Cat(fuzz::Bytes(fuzz::RcvHead{0, 0}), fuzzsock::WholePiece(x.reply)));
        plcsimStream[h.family % 2] = Cat(plcsimStream[h.family % 2], x.request);
    }
    Write("plcsim_frame", "stream_plc5", plcsimStream[0]);
    Write("plcsim_frame", "stream_slc5", plcsimStream[1]);
}

// A reply in small pieces after a would-block; a foreign reply before the
// right one; a reply longer than asked for; a connection closed mid-frame.
void ReceiveInputs(plcsim::StationState &plc5) {
    const Exchange x = Build(kHeads[4], plc5);
    Bytes pieces = fuzz::Bytes(kHeads[4]);
    pieces.push_back(fuzzsock::kOpWouldBlock);
    for (std::size_t at = 0; at < x.reply.size(); at += 9) {
        const std::size_t len = std::min<std::size_t>(9, x.reply.size() - at);
        pieces.push_back(fuzzsock::kOpPiece);
        pieces.push_back(static_cast<std::uint8_t>(len - 1));
        pieces.insert(pieces.end(), x.reply.begin() + static_cast<std::ptrdiff_t>(at),
                      x.reply.begin() + static_cast<std::ptrdiff_t>(at + len));
    }
    Write("transact", "pieces", pieces);
    Write("rcv_msg", "pieces",
          Cat(fuzz::Bytes(fuzz::RcvHead{4, 4}), Bytes(pieces.begin() + 16, pieces.end())));
    Bytes foreign = x.reply;
    foreign[ordax::kPcccTns] ^= 0x11;
    Bytes twice = fuzz::Bytes(kHeads[4]);
    twice.push_back(fuzzsock::kOpPiece);
    twice.push_back(static_cast<std::uint8_t>(foreign.size() - 1));
    twice = Cat(Cat(twice, foreign), fuzzsock::WholePiece(x.reply));
    Write("transact", "foreign", twice);
    Write("rcv_msg", "too_long",
          Cat(fuzz::Bytes(fuzz::RcvHead{4, 0}), fuzzsock::WholePiece(x.reply)));
    Write("rcv_msg", "closed",
          Cat(fuzz::Bytes(fuzz::RcvHead{0, 3}),
              {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, fuzzsock::kOpClosed}));
}

// The session request on a fresh connection, and reads of more bytes than a
// reply frame can carry, from the 42000-word file 41: a PLC-5 word range read
// of 0xFFFE bytes, an SLC typed read of 0xFFFF bytes.
void SimulatorOnlyInputs() {
    Bytes session(ordax::kSessionRequestSize);
    ordax::BuildSessionRequest(
        *reinterpret_cast<std::uint8_t(*)[ordax::kSessionRequestSize]>(session.data()));
    Write("plcsim_frame", "session_plc5", Cat(fuzz::Bytes(fuzz::PlcsimHead{0, 0}), session));
    const Bytes plc5Big = {0x0F, 0,    0x34, 0x12, 0x01, 0,    0,   0xFF,
                           0x7F, 0x06, 41,   0,    0xFF, 0xFE, 0xFF};
    const Bytes slcBig = {0x0F, 0, 0x34, 0x12, 0xA2, 0xFF, 0xFF, 0xFF, 41, 0x8D, 0, 0};
    Write("plcsim_frame", "big_read_plc5",
          Cat(fuzz::Bytes(fuzz::PlcsimHead{0, 1}), PcccFrame(plc5Big)));
    Write("plcsim_frame", "big_read_slc5",
          Cat(fuzz::Bytes(fuzz::PlcsimHead{1, 1}), PcccFrame(slcBig)));
}

void LinkInputs() {
    plcsim::StationState sims[2] = {Station(plcsim::Family::Plc5), Station(plcsim::Family::Slc5)};
    ExchangeInputs(sims);
    ReceiveInputs(sims[0]);
    SimulatorOnlyInputs();
}

// Selectors of fuzz::AccessHead (indices into the tables of fuzz/layouts.h).
enum AccessCommand : std::uint8_t { kRead = 0, kReadBlock = 1, kWrite = 2, kWriteBlock = 3 };
enum AccessLetter : std::uint8_t { kN = 0, kB = 1, kF = 2, kG = 3, kX = 4, kY = 5, kT = 6, kP = 9 };
enum AccessBit : std::uint8_t { kNoBit = 0, kBit7 = 3, kBit16 = 5 };
enum AccessWidth : std::uint8_t { k16 = 0, k32 = 1, k64 = 6 };

struct AccessInput {
    const char *name;
    AccessCommand command;
    AccessLetter letter;
    std::uint8_t family;  // 0 PLC-5, 1 SLC 5
    AccessBit bit;
    AccessWidth width;
    std::int32_t count;
    std::int32_t element, file, sub;
    std::uint8_t link;  // 0: open and connected; 1 channel closed; 2 not connected
    std::uint8_t text;  // characters of a text write
};

const AccessInput kAccessInputs[] = {
    {"read_word", kRead, kN, 0, kNoBit, k16, 1, 12, 7, 0, 0, 0},
    {"read_float_plc5", kRead, kF, 0, kNoBit, k32, 1, 3, 8, 0, 0, 0},
    {"read_float_slc", kRead, kF, 1, kNoBit, k32, 1, 3, 8, 0, 0, 0},
    {"read_pid_float", kRead, kP, 0, kNoBit, k32, 1, 0, 9, 2, 0, 0},
    {"read_timer", kRead, kT, 1, kNoBit, k16, 1, 1, 4, 2, 0, 0},
    {"read_bit", kRead, kB, 0, kBit7, k16, 1, 10, 3, 0, 0, 0},
    {"read_string", kRead, kG, 0, kNoBit, k16, 1, 1, 9, 0, 0, 0},
    {"read_x_odd", kRead, kX, 0, kNoBit, k16, 1, 10, 10, 5, 0, 0},
    {"read_y", kRead, kY, 1, kNoBit, k16, 1, 20, 10, 20, 0, 0},
    {"read_block", kReadBlock, kN, 0, kNoBit, k16, 10, 0, 7, 0, 0, 0},
    {"read_block_floats", kReadBlock, kF, 0, kNoBit, k32, 4, 0, 8, 0, 0, 0},
    {"read_block_largest", kReadBlock, kN, 0, kNoBit, k16, 1025, 0, 7, 0, 0, 0},
    {"write_word", kWrite, kN, 1, kNoBit, k16, 1, 12, 7, 0, 0, 0},
    {"write_float", kWrite, kF, 0, kNoBit, k32, 1, 3, 8, 0, 0, 0},
    {"write_bit", kWrite, kB, 1, kBit7, k16, 1, 10, 3, 0, 0, 0},
    {"write_string", kWrite, kG, 0, kNoBit, k16, 1, 1, 9, 0, 0, 5},
    {"write_x_odd", kWrite, kX, 0, kNoBit, k16, 1, 10, 10, 5, 0, 5},
    {"write_y_short", kWrite, kY, 1, kNoBit, k16, 1, 10, 10, 7, 0, 2},
    {"write_block", kWriteBlock, kN, 0, kNoBit, k16, 10, 0, 7, 0, 0, 0},
    {"write_block_floats", kWriteBlock, kF, 0, kNoBit, k32, 4, 0, 8, 0, 0, 0},
    // Records a host builds that the parser never makes.
    {"g_read_block_2000", kReadBlock, kG, 0, kNoBit, k16, 2000, 1, 9, 0, 0, 0},
    {"g_write_block_2000", kWriteBlock, kG, 0, kNoBit, k16, 2000, 1, 9, 0, 0, 0},
    {"g_write_block_negative", kWriteBlock, kG, 1, kNoBit, k16, -1, 1, 9, 0, 0, 0},
    {"g_write_block_3", kWriteBlock, kG, 0, kNoBit, k16, 3, 1, 9, 0, 0, 0},
    {"x_write_block_1", kWriteBlock, kX, 0, kNoBit, k16, 1, 0, 10, 10, 0, 0},
    {"bit_16_read", kRead, kB, 0, kBit16, k16, 1, 10, 3, 0, 0, 0},
    {"width_64_write", kWrite, kN, 0, kNoBit, k64, 1, 12, 7, 0, 0, 0},
    // The link fails.
    {"read_closed_channel", kRead, kN, 0, kNoBit, k16, 1, 12, 7, 0, 1, 0},
    {"write_not_connected", kWriteBlock, kN, 1, kNoBit, k16, 10, 0, 7, 0, 2, 0},
};

void AccessInputs() {
    const Bytes values = Text("ABCDEFGHIJKLMNOP");
    // One made reply: STS 0, no EXT STS, the largest data, then its pattern.
    const Bytes reply = Cat({0, 0, 0}, Text("0123456789abcdef"));
    for (const AccessInput &a : kAccessInputs) {
        const auto packed = static_cast<std::uint32_t>(a.element) |
                            static_cast<std::uint32_t>(a.file) << 12 |
                            static_cast<std::uint32_t>(a.sub) << 24;
        const fuzz::AccessHead head{a.command, a.letter, 0,  a.family, a.bit, a.width,
                                    a.count,   packed,   41, a.link,   1,     a.text};
        Write("access", a.name, Cat(Cat(fuzz::Bytes(head), values), reply));
    }
    // No answer: three time-outs of a read, the recv script empty.
    fuzz::AccessHead silent{kRead, kN, 0, 0, kNoBit, k16, 1, 12 | 7 << 12, 41, 0, 0, 0};
    Write("access", "read_timeouts", Cat(fuzz::Bytes(silent), values));
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    gRoot = argv[1];
    int n = 0;
    for (const GateInput &g : kGates) {
        const fuzz::GateHead head{g.kind, static_cast<std::uint8_t>(g.block ? 1 : 0),
                                  g.blockLength};
        Write("gate_parser", "in" + std::to_string(n++), Cat(fuzz::Bytes(head), Text(g.text)));
    }
    n = 0;
    for (const char *file : kNodeFiles) Write("node_file", "in" + std::to_string(n++), Text(file));
    LinkInputs();
    AccessInputs();
    return 0;
}
