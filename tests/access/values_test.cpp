// Bits, words, double words and blocks through commands 5, 6, 7 and 10 of
// PdxMain, against the simulator's PLC-5 and SLC 5 stations: the host's
// value layouts, the changes to the host's GateAccess record, the PLC-5
// float word order, sub-elements, the fixed files of I, O and S, the block
// limits and requests too large for one exchange.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/access/access_fixture.h"

namespace accesstest {
namespace {

using plcsim::Address;
using plcsim::FileType;
using Words = std::vector<std::uint16_t>;

// ---- Bits ---------------------------------------------------------------

struct BitCase {
    const char *name;
    const char *address;
    Address word;            // the word that holds the bit
    std::uint16_t before;    // the word in the PLC before the call
    int command;             // PDX_READ_GATE or PDX_WRITE_GATE
    std::uint16_t hostWord;  // read: expected in bytes 2-3; write: the value given
    std::uint16_t after;     // the word in the PLC after the call
};

void PrintTo(const BitCase &c, std::ostream *os) {
    *os << c.name;
}

const BitCase kBitCases[] = {
    {"Plc5ReadSet", "05B00301003", {FileType::B, 3, 10}, 0x0008, PDX_READ_GATE, 1, 0x0008},
    {"Plc5ReadClear", "05B00301003", {FileType::B, 3, 10}, 0xFFF7, PDX_READ_GATE, 0, 0xFFF7},
    {"Plc5ReadBit15", "05N00701215", {FileType::N, 7, 12}, 0x8000, PDX_READ_GATE, 1, 0x8000},
    {"Plc5WriteSet", "05B00301007", {FileType::B, 3, 10}, 0x0000, PDX_WRITE_GATE, 1, 0x0080},
    {"Plc5WriteAnyNonZeroSets",
     "05B00301007",
     {FileType::B, 3, 10},
     0x0100,
     PDX_WRITE_GATE,
     0x0200,
     0x0180},
    {"Plc5WriteClear", "05B00301007", {FileType::B, 3, 10}, 0xFFFF, PDX_WRITE_GATE, 0, 0xFF7F},
    // PLC-5 input image: octal element 12 (10) and bit 17 (15), file forced to 1.
    {"Plc5InputOctal", "05I00001217", {FileType::I, 1, 10}, 0x8000, PDX_READ_GATE, 1, 0x8000},
    {"Plc5TimerBit", "05T0040010013", {FileType::T, 4, 1, 0}, 0x2000, PDX_READ_GATE, 1, 0x2000},
    {"SlcReadSet", "06B00301003", {FileType::B, 3, 10}, 0x0008, PDX_READ_GATE, 1, 0x0008},
    {"SlcWriteSet", "06B00301007", {FileType::B, 3, 10}, 0x0001, PDX_WRITE_GATE, 1, 0x0081},
    {"SlcWriteClear", "06N00704000", {FileType::N, 7, 40}, 0x0003, PDX_WRITE_GATE, 0, 0x0002},
    // SLC input image: element 3, word 1, bit 5; the file typed (9) gives way to 1.
    {"SlcInputWord", "06I0090030105", {FileType::I, 1, 3, 1}, 0x0020, PDX_READ_GATE, 1, 0x0020},
    {"SlcOutputWrite", "06O0000020002", {FileType::O, 0, 2, 0}, 0x0000, PDX_WRITE_GATE, 1, 0x0004},
};

class Bits : public AccessTest, public ::testing::WithParamInterface<BitCase> {};

TEST_P(Bits, OneWordInPlcAndBytesTwoAndThreeOfTheCell) {
    const BitCase &c = GetParam();
    plcsim::Station &plc = StationOf(c.address[1] == '6' ? kSlcStation : kPlc5Station);
    ASSERT_TRUE(plc.SetWord(c.word, c.before));
    auto gate = Parse(c.address, PDX_GATE_DIGITAL);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    if (c.command == PDX_WRITE_GATE) gate->SetCell(static_cast<std::uint32_t>(c.hostWord) << 16);
    const std::uint64_t requests = plc.counters().requests;

    EXPECT_EQ(Call(c.command, *gate), PDX_DONE);

    EXPECT_EQ(plc.counters().requests, requests + 1);
    EXPECT_EQ(plc.GetWord(c.word), c.after);
    if (c.command == PDX_READ_GATE) {
        EXPECT_EQ(gate->buffer[0], 0xEE);
        EXPECT_EQ(gate->buffer[1], 0xEE);
        EXPECT_EQ(gate->CellWord(), c.hostWord);
        EXPECT_EQ(gate->buffer[4], 0xEE);
    }
    // A bit gate's record is left as the host filled it.
    EXPECT_EQ(gate->access.data, gate->buffer.data());
    EXPECT_EQ(gate->access.count, 1);
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Access, Bits, ::testing::ValuesIn(kBitCases),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- Whole values through commands 5 and 7 ------------------------------

struct ValueCase {
    const char *name;
    const char *address;
    int gateType;
    Address place;           // where the value lies in the PLC
    Words plcWords;          // the value's words in the PLC
    std::uint32_t hostCell;  // the host's 4-byte cell (bytes 0-1 0xEE for 16-bit values)
};

void PrintTo(const ValueCase &c, std::ostream *os) {
    *os << c.name;
}

constexpr int kInt = 1;
const ValueCase kValueCases[] = {
    {"Plc5Word", "05N007012", kInt, {FileType::N, 7, 12}, {0x1234}, 0x1234EEEE},
    {"Plc5NegativeWord", "05N007999", kInt, {FileType::N, 7, 999}, {0xFFFE}, 0xFFFEEEEE},
    {"Plc5StatusFileForced", "05S009005", kInt, {FileType::S, 2, 5}, {0x0A0B}, 0x0A0BEEEE},
    {"Plc5OutputOctal", "05O000017", kInt, {FileType::O, 0, 15}, {0x00F0}, 0x00F0EEEE},
    {"Plc5TimerAccumulator", "05T00400102", kInt, {FileType::T, 4, 1, 2}, {0x0321}, 0x0321EEEE},
    {"Plc5CounterPreset", "05C00500201", kInt, {FileType::C, 5, 2, 1}, {0x0777}, 0x0777EEEE},
    {"Plc5ControlLength", "05R00600301", kInt, {FileType::R, 6, 3, 1}, {0x0040}, 0x0040EEEE},
    {"Plc5PidWord", "05P01200101", kInt, {FileType::PD, 12, 1, 1}, {0x5150}, 0x5150EEEE},
    {"Plc5Float", "05F008003", PDX_GATE_REAL, {FileType::F, 8, 3}, {0x4148, 0x0000}, 0x41480000},
    {"Plc5FloatBothHalves",
     "05F008499",
     PDX_GATE_REAL,
     {FileType::F, 8, 499},
     {0x4049, 0x0FDB},
     0x40490FDB},
    {"Plc5PidFloat",
     "05P01200002",
     PDX_GATE_REAL,
     {FileType::PD, 12, 0, 2},
     {0xC2F7, 0x0000},
     0xC2F70000},
    {"Plc5PidFloatHighSub",
     "05P01200348",
     PDX_GATE_REAL,
     {FileType::PD, 12, 3, 48},
     {0x3F80, 0x0001},
     0x3F800001},
    {"SlcWord", "06N007012", kInt, {FileType::N, 7, 12}, {0xBEEF}, 0xBEEFEEEE},
    {"SlcTimerPreset", "06T00400201", kInt, {FileType::T, 4, 2, 1}, {0x03E8}, 0x03E8EEEE},
    {"SlcControlPosition", "06R00600002", kInt, {FileType::R, 6, 0, 2}, {0x0009}, 0x0009EEEE},
    {"SlcInputWord", "06I00100407", kInt, {FileType::I, 1, 4, 7}, {0x1111}, 0x1111EEEE},
    {"SlcFloat", "06F008003", PDX_GATE_REAL, {FileType::F, 8, 3}, {0x0000, 0x4148}, 0x41480000},
    {"SlcFloatBothHalves",
     "06F008499",
     PDX_GATE_REAL,
     {FileType::F, 8, 499},
     {0x0FDB, 0x4049},
     0x40490FDB},
};

class WholeValues : public AccessTest, public ::testing::WithParamInterface<ValueCase> {};

// Read, then write the same cell back to a cleared PLC value: both
// directions meet the same words in the PLC.
TEST_P(WholeValues, ReadAndWriteMeetTheSameWords) {
    const ValueCase &c = GetParam();
    plcsim::Station &plc = StationOf(c.address[1] == '6' ? kSlcStation : kPlc5Station);
    const int words = static_cast<int>(c.plcWords.size());
    ASSERT_TRUE(plc.SetWords(c.place, c.plcWords));
    auto gate = Parse(c.address, c.gateType);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    ASSERT_EQ(gate->record.valueBits, 16 * words);
    gate->Access(7);  // command 5 reads one value whatever the count says

    EXPECT_EQ(Call(PDX_READ_GATE, *gate), PDX_DONE);
    EXPECT_EQ(gate->Cell(), c.hostCell);
    EXPECT_EQ(gate->buffer[4], 0xEE);
    // The host's record now counts one value, and a 16-bit value's data
    // pointer points at bytes 2 and 3 of the cell.
    EXPECT_EQ(gate->access.count, 1);
    EXPECT_EQ(gate->access.data, gate->buffer.data() + (words == 1 ? 2 : 0));

    ASSERT_TRUE(plc.SetWords(c.place, Words(c.plcWords.size(), 0)));
    gate->Access(7);
    const std::uint64_t requests = plc.counters().requests;
    EXPECT_EQ(Call(PDX_WRITE_GATE, *gate), PDX_DONE);
    EXPECT_EQ(plc.counters().requests, requests + 1);
    EXPECT_EQ(plc.GetWords(c.place, words), c.plcWords);
    EXPECT_EQ(plc.LastRequest()->decoded.words.size(), c.plcWords.size());
    EXPECT_EQ(gate->access.count, 1);
    EXPECT_EQ(gate->access.data, gate->buffer.data() + (words == 1 ? 2 : 0));
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Access, WholeValues, ::testing::ValuesIn(kValueCases),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- Blocks through commands 6 and 10 -----------------------------------

struct BlockCase {
    const char *name;
    const char *address;
    int blockLength;
    Address first;
    int valueWords;        // 1 or 2 words per value
    bool exchangesHalves;  // PLC-5 floats: first word received is the high half
};

void PrintTo(const BlockCase &c, std::ostream *os) {
    *os << c.name;
}

const BlockCase kBlockCases[] = {
    {"Plc5Integers1000", "05N007000", 1000, {FileType::N, 7, 0}, 1, false},
    {"Plc5Floats500", "05F008000", 500, {FileType::F, 8, 0}, 2, true},
    {"Plc5Bits100", "05B003000", 100, {FileType::B, 3, 0}, 1, false},
    {"Plc5ShortBlock", "05N010990", 10, {FileType::N, 10, 990}, 1, false},
    {"SlcIntegers256", "06N007744", 256, {FileType::N, 7, 744}, 1, false},
    {"SlcFloats256", "06F008244", 256, {FileType::F, 8, 244}, 2, false},
    {"SlcWholeStatusFile", "06S002000", 164, {FileType::S, 2, 0}, 1, false},
};

class Blocks : public AccessTest, public ::testing::WithParamInterface<BlockCase> {};

// The host's values lie packed from `data` on; nothing after them is
// written. Written back, the PLC holds the same words.
TEST_P(Blocks, PackedValuesBothWays) {
    const BlockCase &c = GetParam();
    plcsim::Station &plc = StationOf(c.address[1] == '6' ? kSlcStation : kPlc5Station);
    const int count = c.blockLength;
    const std::size_t words = static_cast<std::size_t>(count * c.valueWords);
    Words plcWords(words);
    for (std::size_t i = 0; i < words; ++i)
        plcWords[i] = static_cast<std::uint16_t>(0x3000 + i * 7);
    ASSERT_TRUE(plc.SetWords(c.first, plcWords));
    auto gate = Parse(c.address, c.valueWords == 2 ? PDX_GATE_REAL : kInt, count);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    gate->Access(count);

    EXPECT_EQ(Call(PDX_READ_BLOCK, *gate), PDX_DONE);
    for (std::size_t i = 0; i < words; ++i) {
        const std::size_t from = c.exchangesHalves ? (i ^ 1) : i;
        ASSERT_EQ(gate->Word(i), plcWords[from]) << "host word " << i;
    }
    EXPECT_EQ(gate->buffer[2 * words], 0xEE);
    EXPECT_EQ(gate->access.count, count);  // command 6 leaves the record alone

    ASSERT_TRUE(plc.SetWords(c.first, Words(plcWords.size(), 0)));
    gate->Access(count);
    EXPECT_EQ(Call(PDX_WRITE_BLOCK, *gate), PDX_DONE);
    EXPECT_EQ(plc.GetWords(c.first, static_cast<int>(words)), plcWords);
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Access, Blocks, ::testing::ValuesIn(kBlockCases),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- Requests too large for one exchange ---------------------------------

struct CountCase {
    const char *name;
    const char *address;
    int gateType;
    int command;
    int count;
    const char *operation;  // "" = accepted and sent
};

void PrintTo(const CountCase &c, std::ostream *os) {
    *os << c.name;
}

constexpr int kStr = PDX_GATE_STRING;
const CountCase kCountCases[] = {
    {"ReadBlockOfWholeDataArea", "05N007000", kInt, PDX_READ_BLOCK, 1025, ""},
    {"WriteBlockOfWholeDataArea", "05N007000", kInt, PDX_WRITE_BLOCK, 1025, ""},
    {"ReadBlockOneWordTooMany", "05N007000", kInt, PDX_READ_BLOCK, 1026, "Read Word Failed"},
    {"WriteBlockOneWordTooMany", "05N007000", kInt, PDX_WRITE_BLOCK, 1026, "Write Word Failed"},
    {"FloatBlockTooLarge", "05F008000", PDX_GATE_REAL, PDX_READ_BLOCK, 513, "Read Word Failed"},
    {"CountWrapsSixteenBits", "06N007000", kInt, PDX_READ_BLOCK, 65537, "Read Word Failed"},
    {"NegativeCount", "05N007000", kInt, PDX_WRITE_BLOCK, -1, "Write Word Failed"},
    {"HugeIntegerFileStringWrite", "05X01001020", kStr, PDX_WRITE_GATE, 5000,
     "Write N File String Failed"},
    {"HugeIntegerFileStringRead", "06Y01001020", kStr, PDX_READ_BLOCK, 70000, "Read Word Failed"},
};

class Counts : public AccessTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(Counts, RefusedBeforeAnythingIsSent) {
    const CountCase &c = GetParam();
    plcsim::Station &plc = StationOf(c.address[1] == '6' ? kSlcStation : kPlc5Station);
    auto gate = Parse(c.address, c.gateType);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    gate->Access(c.count);
    const std::uint64_t requests = plc.counters().requests;

    const int result = Call(c.command, *gate);

    if (c.operation[0] == '\0') {
        EXPECT_EQ(result, PDX_DONE);
        EXPECT_EQ(plc.counters().requests, requests + 1);
        EXPECT_EQ(plc.LastRequest()->decoded.totalTransaction, c.count);
        return;
    }
    EXPECT_EQ(result, PDX_REQUEST_ERROR);
    EXPECT_EQ(plc.counters().requests, requests);
    EXPECT_EQ(gate->buffer[0], 0xEE);
    const std::vector<std::string> expected = {
        M(8, "Ordax : Count " + std::to_string(c.count) +
                 " does not fit one request, Gate Address: " + c.address),
        M(32, std::string("Ordax : ") + c.operation + ", Gate Address: " + c.address +
                  ", Parseing Error")};
    EXPECT_EQ(Messages(), expected);
}

INSTANTIATE_TEST_SUITE_P(Access, Counts, ::testing::ValuesIn(kCountCases),
                         [](const auto &p) { return std::string(p.param.name); });

}  // namespace
}  // namespace accesstest
