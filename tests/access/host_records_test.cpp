// Records the parser never makes, built by a host: G records and wide X
// and Y records through the block commands, words the host did not give,
// and bit numbers and value widths out of range. None may move a byte
// outside the host's values or the words on the wire.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/access/access_fixture.h"

namespace accesstest {
namespace {

using plcsim::FileType;
using Words = std::vector<std::uint16_t>;

constexpr int kInt = 1;
constexpr int kStr = PDX_GATE_STRING;
constexpr int kAsParsed = -1000;
constexpr std::uint16_t kLeftOver = 0xA5A5;  // what an earlier exchange left in the data area

struct BlockCase {
    const char *name;
    const char *address;
    int gateType;
    int command;    // PDX_READ_BLOCK or PDX_WRITE_BLOCK
    int count;      // of the host's record
    int valueBits;  // kAsParsed: the parser's
    int words;      // on the wire; -1: refused with the count message, nothing sent
    int hostBytes;  // moved from or to the host's buffer
};

void PrintTo(const BlockCase &c, std::ostream *os) {
    *os << c.name;
}

class HostBlocks : public AccessTest, public ::testing::WithParamInterface<BlockCase> {
protected:
    // Runs the case with host words 0x0100, 0x0101, ... and PLC words 0x3000,
    // 0x3007, ... from the gate's first element, with left-overs in the data area.
    void Run(const BlockCase &c) {
        auto gate = Parse(c.address, c.gateType);
        ASSERT_EQ(gate->parsed, PDX_DONE);
        const bool stringFile = c.address[2] == 'G';
        const plcsim::Address first = stringFile ? plcsim::Address{FileType::ST, 9, 1, 0}
                                                 : plcsim::Address{FileType::N, 10, 0, 0};
        Words plc(c.words > 0 ? static_cast<std::size_t>(c.words) : 1);
        for (std::size_t i = 0; i < plc.size(); ++i)
            plc[i] = static_cast<std::uint16_t>(0x3000 + 7 * i);
        ASSERT_TRUE(Plc5().SetWords(first, plc));
        for (std::size_t i = 0; i < 1100; ++i)
            gate->SetWord(i, static_cast<std::uint16_t>(0x100 + i));
        const std::vector<std::uint8_t> host = gate->buffer;
        gate->Access(c.count);
        if (c.valueBits != kAsParsed) gate->access.valueBits = c.valueBits;
        std::fill(std::begin(Ctx().txn.data), std::end(Ctx().txn.data), kLeftOver);
        const char *clientName = Ctx().clientName;
        const ordax::StringDefinition *definitions = Ctx().stringDefinitions;
        const std::uint64_t requests = Plc5().counters().requests;

        const int result = Call(c.command, *gate);

        // The channel block's fields past the data area keep their values.
        EXPECT_EQ(Ctx().clientName, clientName);
        EXPECT_EQ(Ctx().stringDefinitions, definitions);
        if (c.words < 0) {
            EXPECT_EQ(result, PDX_REQUEST_ERROR);
            EXPECT_EQ(Plc5().counters().requests, requests);
            EXPECT_EQ(gate->buffer, host);
            const std::string op = c.command == PDX_READ_BLOCK ? "Read" : "Write";
            const std::vector<std::string> expected = {
                M(8, "Ordax : Count " + std::to_string(c.count) +
                         " does not fit one request, Gate Address: " + c.address),
                M(32, "Ordax : " + op + " Word Failed, Gate Address: " + c.address +
                          ", Parseing Error")};
            EXPECT_EQ(Messages(), expected);
            return;
        }
        ASSERT_EQ(result, PDX_DONE);
        const auto values = static_cast<std::size_t>(c.hostBytes / 2);
        if (c.command == PDX_WRITE_BLOCK) {
            Words sent(static_cast<std::size_t>(c.words), 0);
            for (std::size_t i = 0; i < values; ++i) sent[i] = gate->Word(i);
            EXPECT_EQ(Plc5().LastRequest()->decoded.words, sent);
            EXPECT_EQ(gate->buffer, host);
            return;
        }
        EXPECT_EQ(Plc5().LastRequest()->decoded.byteSize, 2 * c.words);
        // Y texts reach the host with the two bytes of each word exchanged.
        const bool exchanged = c.address[2] == 'Y';
        for (std::size_t i = 0; i < values; ++i) {
            const std::uint16_t w = plc[i];
            ASSERT_EQ(gate->Word(i), exchanged ? ((w & 0xFF) << 8 | w >> 8) : w) << i;
        }
        EXPECT_TRUE(std::equal(gate->buffer.begin() + c.hostBytes, gate->buffer.end(),
                               host.begin() + c.hostBytes));
    }
};

// Every letter: no more bytes than the words on the wire, no more than the
// host's `count` values, and a negative count refused.
const BlockCase kBoundCases[] = {
    {"GWrite2000", "05G009001", kStr, PDX_WRITE_BLOCK, 2000, kAsParsed, 42, 84},
    {"GRead2000", "05G009001", kStr, PDX_READ_BLOCK, 2000, kAsParsed, 42, 84},
    {"GReadThree", "05G009001", kStr, PDX_READ_BLOCK, 3, kAsParsed, 42, 6},
    {"GWriteNegative", "05G009001", kStr, PDX_WRITE_BLOCK, -1, kAsParsed, -1, 0},
    {"GReadNegative", "05G009001", kStr, PDX_READ_BLOCK, -1, kAsParsed, -1, 0},
    {"XWriteWide", "05X01000020", kStr, PDX_WRITE_BLOCK, 1000, 32, 1000, 2000},
    {"YReadWide", "05Y01000020", kStr, PDX_READ_BLOCK, 1000, 32, 1000, 2000},
    {"NReadWideNegative", "05N010000", kInt, PDX_READ_BLOCK, -2, 32, -1, 0},
};

using Bounds = HostBlocks;
TEST_P(Bounds, BlockMovesOnlyTheHostsValuesAndTheWordsOnTheWire) {
    Run(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Access, Bounds, ::testing::ValuesIn(kBoundCases),
                         [](const auto &p) { return std::string(p.param.name); });

// A write sends 0 for every word the host did not give.
const BlockCase kUngivenCases[] = {
    {"GThreeValues", "05G009001", kStr, PDX_WRITE_BLOCK, 3, kAsParsed, 42, 6},
    {"GNoValue", "05G009001", kStr, PDX_WRITE_BLOCK, 0, kAsParsed, 42, 0},
    {"XOneValueOfTen", "05X01000010", kStr, PDX_WRITE_BLOCK, 1, kAsParsed, 5, 2},
    {"YOneValueOfSeven", "05Y01000007", kStr, PDX_WRITE_BLOCK, 1, kAsParsed, 4, 2},
    {"YOneWideValueOfSeven", "05Y01000007", kStr, PDX_WRITE_BLOCK, 1, 32, 4, 4},
};

using UngivenWords = HostBlocks;
TEST_P(UngivenWords, GoOutAsZero) {
    Run(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Access, UngivenWords, ::testing::ValuesIn(kUngivenCases),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- Bit numbers and value widths the parser never makes -------------------

struct FieldCase {
    const char *name;
    const char *address;
    int gateType;
    int command;
    int bit;        // kAsParsed: the parser's
    int valueBits;  // kAsParsed: the parser's
    const char *operation;
};

void PrintTo(const FieldCase &c, std::ostream *os) {
    *os << c.name;
}

const FieldCase kFieldCases[] = {
    {"BitSixteenRead", "05B00301003", PDX_GATE_DIGITAL, PDX_READ_GATE, 16, kAsParsed,
     "Read Bit Failed"},
    {"BitSixteenWrite", "05B00301003", PDX_GATE_DIGITAL, PDX_WRITE_GATE, 16, kAsParsed,
     "Write Bit Failed"},
    {"BitNegativeWrite", "06B00301003", PDX_GATE_DIGITAL, PDX_WRITE_GATE, -1, kAsParsed,
     "Write Bit Failed"},
    {"BitPastAByteRead", "06B00301003", PDX_GATE_DIGITAL, PDX_READ_GATE, 259, kAsParsed,
     "Read Bit Failed"},
    {"Width64Write", "05N007012", kInt, PDX_WRITE_GATE, kAsParsed, 64, "Write Word Failed"},
    {"Width64Read", "05F008003", PDX_GATE_REAL, PDX_READ_GATE, kAsParsed, 64, "Read Word Failed"},
    {"Width0ReadBlock", "05N007000", kInt, PDX_READ_BLOCK, kAsParsed, 0, "Read Word Failed"},
    {"Width8WriteBlock", "06N007000", kInt, PDX_WRITE_BLOCK, kAsParsed, 8, "Write Word Failed"},
    {"Width24String", "05G009001", kStr, PDX_READ_GATE, kAsParsed, 24, "Read String Failed"},
    {"Width64FileString", "05X01001005", kStr, PDX_WRITE_GATE, kAsParsed, 64,
     "Write N File String Failed"},
};

class Fields : public AccessTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(Fields, RefusedBeforeAnythingIsSent) {
    const FieldCase &c = GetParam();
    auto gate = Parse(c.address, c.gateType);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    gate->PutText("ABCDE");
    const std::vector<std::uint8_t> host = gate->buffer;
    gate->Access(3);
    if (c.bit != kAsParsed) gate->access.bit = c.bit;
    if (c.valueBits != kAsParsed) gate->access.valueBits = c.valueBits;
    const std::uint64_t requests = Plc5().counters().requests + Slc().counters().requests;

    EXPECT_EQ(Call(c.command, *gate), PDX_REQUEST_ERROR);

    EXPECT_EQ(Plc5().counters().requests + Slc().counters().requests, requests);
    EXPECT_EQ(gate->buffer, host);
    const std::vector<std::string> expected = {
        M(8, "Ordax : Invalid Bit " + std::to_string(gate->access.bit) + " or Width " +
                 std::to_string(gate->access.valueBits) + ", Gate Address: " + c.address),
        M(32, std::string("Ordax : ") + c.operation + ", Gate Address: " + c.address +
                  ", Parseing Error")};
    EXPECT_EQ(Messages(), expected);
}

INSTANTIATE_TEST_SUITE_P(Access, Fields, ::testing::ValuesIn(kFieldCases),
                         [](const auto &p) { return std::string(p.param.name); });

}  // namespace
}  // namespace accesstest
