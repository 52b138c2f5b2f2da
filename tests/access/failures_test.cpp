// Failed reads and writes through PdxMain: the tries after time-outs, with
// and without a reconnect by the channel thread, a closed channel, a
// station the node file does not name or that does not answer, and the
// PLC's error statuses with their operator messages.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/access/access_fixture.h"

namespace accesstest {
namespace {

// One kind of read or write: its gate, command and operation text.
struct Kind {
    const char *name;
    const char *address;
    int gateType;
    int command;
    const char *operation;
    int blockLength = 0;
};

constexpr int kInt = 1;
const Kind kReadBit{"ReadBit", "05B00301003", PDX_GATE_DIGITAL, PDX_READ_GATE, "Read Bit Failed"};
const Kind kReadWord{"ReadWord", "05N007012", kInt, PDX_READ_GATE, "Read Word Failed"};
const Kind kReadBlock{"ReadBlock", "05N007000", kInt, PDX_READ_BLOCK, "Read Word Failed", 10};
const Kind kReadString{"ReadString", "05G009001", PDX_GATE_STRING, PDX_READ_GATE,
                       "Read String Failed"};
const Kind kReadFileString{"ReadFileString", "05X01001004", PDX_GATE_STRING, PDX_READ_GATE,
                           "Read Word Failed"};
const Kind kWriteBit{"WriteBit", "05B00301003", PDX_GATE_DIGITAL, PDX_WRITE_GATE,
                     "Write Bit Failed"};
const Kind kWriteWord{"WriteWord", "05N007012", kInt, PDX_WRITE_GATE, "Write Word Failed"};
const Kind kWriteBlock{"WriteBlock", "05N007000", kInt, PDX_WRITE_BLOCK, "Write Word Failed", 10};
const Kind kWriteString{"WriteString", "05G009001", PDX_GATE_STRING, PDX_WRITE_GATE,
                        "Write String Failed"};
const Kind kWriteFileString{"WriteFileString", "05X01001004", PDX_GATE_STRING, PDX_WRITE_GATE,
                            "Write N File String Failed"};

// The gate of `kind` with `address` in place of the kind's own.
std::string AddressFor(const Kind &kind, const char *address) {
    return address != nullptr ? address : kind.address;
}

class FailureTest : public AccessTest {
protected:
    // Parses the kind's gate and fills its buffer with a value to write.
    std::unique_ptr<HostGate> Prepare(const Kind &kind, const char *address = nullptr) {
        auto gate = Parse(AddressFor(kind, address), kind.gateType, kind.blockLength);
        if (kind.gateType == PDX_GATE_STRING) gate->PutText("ABCD");
        if (kind.command == PDX_WRITE_GATE && kind.gateType != PDX_GATE_STRING) {
            gate->SetCell(0x00010000);
        }
        return gate;
    }
    // The messages that name the operation, as "level|text".
    std::vector<std::string> Reports(const Kind &kind) const {
        std::vector<std::string> out;
        for (const std::string &m : Messages()) {
            if (m.find(kind.operation) != std::string::npos) out.push_back(m);
        }
        return out;
    }
};

// ---- Tries after a time-out ------------------------------------------------

struct TryCase {
    Kind kind;
    bool reconnects;  // the station accepts the channel thread's new connection
};

void PrintTo(const TryCase &c, std::ostream *os) {
    *os << c.kind.name << (c.reconnects ? "Reconnected" : "NotReconnected");
}

std::vector<TryCase> TryCases() {
    std::vector<TryCase> cases;
    for (const Kind &kind : {kReadBit, kReadWord, kReadBlock, kReadString, kWriteBit, kWriteWord,
                             kWriteString, kWriteFileString}) {
        cases.push_back({kind, true});
        cases.push_back({kind, false});
    }
    return cases;
}

class Tries : public FailureTest, public ::testing::WithParamInterface<TryCase> {};

// The first exchange gets no answer. Reconnected in the engine's pause, the
// second try succeeds; otherwise it finds the station without connection
// and the command reports so, every kind alike.
TEST_P(Tries, SecondTryAfterATimeOut) {
    const TryCase &c = GetParam();
    auto gate = Prepare(c.kind);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    if (!c.reconnects) Plc5().SetAccepting(false);
    Plc5().SwallowNext(1);
    const plcsim::Counters before = Plc5().counters();

    const int result = Call(c.kind.command, *gate);

    const plcsim::Counters after = Plc5().counters();
    if (c.reconnects) {
        EXPECT_EQ(result, PDX_DONE);
        EXPECT_EQ(after.requests, before.requests + 2);
        EXPECT_EQ(after.connections, before.connections + 1);
        EXPECT_TRUE(Reports(c.kind).empty());
    } else {
        EXPECT_EQ(result, PDX_LINK_ERROR);
        EXPECT_EQ(after.requests, before.requests + 1);
        const std::vector<std::string> expected = {
            M(32, std::string("Ordax : ") + c.kind.operation + " Station not connected")};
        EXPECT_EQ(Reports(c.kind), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Access, Tries, ::testing::ValuesIn(TryCases()), [](const auto &p) {
    return std::string(p.param.kind.name) + (p.param.reconnects ? "Reconnected" : "NotReconnected");
});

// Three time-outs in a row, the station reconnected after each: three
// exchanges, then the time-out report; the host's cell keeps its bytes.
TEST_F(FailureTest, ThreeTimeOutsThenTheTimeOutReport) {
    auto gate = Prepare(kReadWord);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    Plc5().SwallowNext(3);
    const std::uint64_t requests = Plc5().counters().requests;

    EXPECT_EQ(Call(PDX_READ_GATE, *gate), PDX_LINK_ERROR);

    EXPECT_EQ(Plc5().counters().requests, requests + 3);
    const std::vector<std::string> expected = {
        M(32, "Ordax : Read Word Failed, Gate Address: 05N007012, Communications Time-out")};
    EXPECT_EQ(Reports(kReadWord), expected);
    EXPECT_EQ(gate->Cell(), 0xEEEEEEEEu);
}

// ---- Channel and station states --------------------------------------------

enum class Setup { kClosedChannel, kUnconfiguredStation, kUnansweredStation };

struct StateCase {
    const char *name;
    Setup setup;
    Kind kind;
    const char *address;  // null: the kind's own
    std::string report;
};

void PrintTo(const StateCase &c, std::ostream *os) {
    *os << c.name;
}

const StateCase kStateCases[] = {
    {"ClosedChannelRead", Setup::kClosedChannel, kReadWord, nullptr,
     "Ordax: Read Word Failed, Channel not Open"},
    {"ClosedChannelBitWrite", Setup::kClosedChannel, kWriteBit, nullptr,
     "Ordax: Write Bit Failed, Channel not Open"},
    {"ClosedChannelStringRead", Setup::kClosedChannel, kReadString, nullptr,
     "Ordax: Read String Failed, Channel not Open"},
    {"UnconfiguredStationRead", Setup::kUnconfiguredStation, kReadFileString, "02X00701004",
     "Ordax : Read Word Failed, Gate Address: 02X00701004, Unknown Return Code from driver: "
     "0x0B"},
    {"UnconfiguredStationWrite", Setup::kUnconfiguredStation, kWriteFileString, "02Y00701004",
     "Ordax : Write N File String Failed, Gate Address: 02Y00701004, Unknown Return Code from "
     "driver: 0x0B"},
    {"UnansweredStationRead", Setup::kUnansweredStation, kReadBit, "07B00301003",
     "Ordax : Read Bit Failed Station not connected"},
    {"UnansweredStationWordWrite", Setup::kUnansweredStation, kWriteWord, "07N007012",
     "Ordax : Write Word Failed Station not connected"},
    {"UnansweredStationStringWrite", Setup::kUnansweredStation, kWriteString, "07G009001",
     "Ordax : Write String Failed Station not connected"},
};

class States : public FailureTest, public ::testing::WithParamInterface<StateCase> {};

// Nothing reaches any PLC; one report line; result 2; nothing for the host.
TEST_P(States, ReportedWithoutAnExchange) {
    const StateCase &c = GetParam();
    auto gate = Prepare(c.kind, c.address);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    if (c.setup == Setup::kClosedChannel) {
        ASSERT_EQ(ordax_test::CloseCommand(*block_), PDX_DONE);
    }
    const std::uint64_t requests = sim_.counters().requests;
    const std::vector<std::uint8_t> buffer = gate->buffer;
    log_->Clear();

    EXPECT_EQ(Call(c.kind.command, *gate), PDX_LINK_ERROR);

    EXPECT_EQ(sim_.counters().requests, requests);
    EXPECT_EQ(Messages(), std::vector<std::string>{M(32, c.report)});
    EXPECT_EQ(gate->buffer, buffer);
}

INSTANTIATE_TEST_SUITE_P(Access, States, ::testing::ValuesIn(kStateCases),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- Error statuses from the PLC ---------------------------------------------

struct StatusCase {
    const char *name;
    Kind kind;
    const char *address;                   // null: the kind's own
    std::optional<plcsim::Status> forced;  // null: the PLC refuses on its own
    int result;
    int level;           // of the first line
    const char *error;   // the first line's end
    const char *prefix;  // of the two explanation lines
    const char *meaning;
    const char *advice;
};

void PrintTo(const StatusCase &c, std::ostream *os) {
    *os << c.name;
}

const char kLocal[] = "Ordax :\t";
const char kOther[] = "Ordax : \t";
const char kCheck[] = "check PLC/SLC";
const char kValidType[] = "check that valid PLC/SLC type is specified for Node";
const auto kNone = std::nullopt;
constexpr int kRefused = PDX_REQUEST_ERROR;

const StatusCase kStatusCases[] = {
    {"RemoteOnWordRead", kReadWord, "06N007012", plcsim::Status{0x10, 0}, kRefused, 32,
     "Remote Sts Error: 0x10", kOther, "illegal command or format", kValidType},
    {"LocalOnBitRead", kReadBit, nullptr, plcsim::Status{0x07, 0}, PDX_LINK_ERROR, 32,
     "Local Sts Error: 0x07", kLocal, "station is off-line", kCheck},
    {"RemoteOnStringRead", kReadString, "06G009001", plcsim::Status{0x50, 0}, kRefused, 32,
     "Remote Sts Error: 0x50", kOther, "addressing problem or memory protect rungs", kCheck},
    {"PastTheEndOfTheFile", kReadBlock, "06N007995", kNone, kRefused, 32, "Ext Status Error: 0xF0",
     kOther, "file is wrong size", "attempt to read/write past end of file"},
    {"ExtendedOnWordWrite", kWriteWord, nullptr, plcsim::Status{0xF0, 0x1B}, kRefused, 32,
     "Ext Status Error: 0xF0", kOther, "another node is the program owner",
     "PLC/SLC in program mode?"},
    {"PacketOnBitWrite", kWriteBit, "06B00301003", plcsim::Status{0x09, 0}, kRefused, 8,
     "Packet Status Error: 0x09", kOther, "not defined", "should not occur, contact tech-support"},
    {"ProgramModeStringWrite", kWriteString, nullptr, kNone, kRefused, 32, "Remote Sts Error: 0x70",
     kOther, "processor is in program mode", kCheck},
    {"LocalOnBlockWrite", kWriteBlock, nullptr, plcsim::Status{0x05, 0}, PDX_LINK_ERROR, 32,
     "Local Sts Error: 0x05", kLocal, "application layer timed out waiting for a response",
     "PLC/SLC too busy?"},
    {"ExtendedOnFileStringWrite", kWriteFileString, "06X01001004", plcsim::Status{0xF0, 0x06},
     kRefused, 32, "Ext Status Error: 0xF0", kOther, "address doesn't point to something usable",
     "valid address? does data exist in PLC?"},
};

class Statuses : public FailureTest, public ::testing::WithParamInterface<StatusCase> {};

// A reply with an error status ends the tries of every kind at once: one
// exchange, three lines, and the host's buffer stays as it was. Writes
// without a forced status meet a PLC in program mode.
TEST_P(Statuses, OneExchangeAndItsExplanation) {
    const StatusCase &c = GetParam();
    const std::string address = AddressFor(c.kind, c.address);
    auto gate = Prepare(c.kind, c.address);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    plcsim::Station &plc = StationOf(address[1] == '6' ? kSlcStation : kPlc5Station);
    if (c.forced) plc.ForceStatusNext(*c.forced);
    const bool isWrite = c.kind.command == PDX_WRITE_GATE || c.kind.command == PDX_WRITE_BLOCK;
    plc.SetProgramMode(!c.forced && isWrite);
    const std::uint64_t requests = plc.counters().requests;
    const std::vector<std::uint8_t> buffer = gate->buffer;

    EXPECT_EQ(Call(c.kind.command, *gate), c.result);

    EXPECT_EQ(plc.counters().requests, requests + 1);
    const std::string prefix = c.prefix;
    const std::vector<std::string> expected = {
        M(c.level, std::string("Ordax : ") + c.kind.operation + ", Gate Address: " + address +
                       ", " + c.error),
        M(8, prefix + "\"" + c.meaning + "\""), M(8, prefix + "(" + c.advice + ")")};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(gate->buffer, buffer);
}

INSTANTIATE_TEST_SUITE_P(Access, Statuses, ::testing::ValuesIn(kStatusCases),
                         [](const auto &p) { return std::string(p.param.name); });

}  // namespace
}  // namespace accesstest
