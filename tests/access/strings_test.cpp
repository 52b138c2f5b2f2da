// String gates through commands 5 and 7 of PdxMain: G texts (a length word
// and 82 characters in a string file element) and X and Y texts held in
// the words of an integer file, as the PLC keeps them and as the host gets
// them.
#include <gtest/gtest.h>

#include <cstdio>

#include <cstring>
#include <string>
#include <vector>

#include "tests/access/access_fixture.h"

namespace accesstest {
namespace {

// The G gate of string file 9, element 1, at a one-digit station. (Put
// together in a buffer: GCC 12 at -O3 takes "0" + std::string for an
// overlapping copy and warns.)
std::string StringGateOf(int station) {
    char text[16];
    std::snprintf(text, sizeof text, "%02dG009001", station);
    return text;
}

using plcsim::Address;
using plcsim::FileType;
using Words = std::vector<std::uint16_t>;

constexpr Address kStringElement{FileType::ST, 9, 1, 0};
constexpr std::uint16_t kUntouched = 0x7777;

// Two characters a word, the first in the high byte (G and Y) or in the
// low byte (X); an odd last character is paired with 0.
Words TextWords(const std::string &text, bool highFirst) {
    Words words;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto first = static_cast<std::uint8_t>(text[i]);
        const auto second = static_cast<std::uint8_t>(i + 1 < text.size() ? text[i + 1] : 0);
        words.push_back(
            static_cast<std::uint16_t>(highFirst ? (first << 8 | second) : (second << 8 | first)));
    }
    return words;
}

std::string Letters(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('A' + i % 26));
    return s;
}

Words Padded(Words words, std::size_t size) {
    words.resize(size, 0);
    return words;
}

Words GElement(std::uint16_t lengthWord, const std::string &chars) {
    Words words = {lengthWord};
    for (std::uint16_t w : TextWords(chars, true)) words.push_back(w);
    return Padded(words, 42);
}

// ---- G reads --------------------------------------------------------------

struct GReadCase {
    const char *name;
    Words element;     // the 42 words in the PLC
    std::string text;  // what the host gets, before its terminator
};

void PrintTo(const GReadCase &c, std::ostream *os) {
    *os << c.name;
}

const GReadCase kGReadCases[] = {
    {"OddLength", Padded({5, 0x4845, 0x4C4C, 0x4F00}, 42), "HELLO"},
    {"EvenLength", GElement(4, "ABCD"), "ABCD"},
    {"OneCharacter", GElement(1, "Zq"), "Z"},
    {"Empty", GElement(0, "AB"), ""},
    {"NegativeLengthIsEmpty", GElement(0xFFFE, "AB"), ""},
    {"EightyOneCharactersCutToEighty", GElement(81, Letters(82)), Letters(80)},
    {"LengthWordEightyFive", GElement(85, Letters(82)), Letters(80)},
};

class GReads : public AccessTest, public ::testing::WithParamInterface<GReadCase> {};

// The host's buffer gets the text and a terminator, and nothing after them.
TEST_P(GReads, TextAndTerminatorWithinEightyOneBytes) {
    const GReadCase &c = GetParam();
    for (int station : {kPlc5Station, kSlcStation}) {
        SCOPED_TRACE(station);
        ASSERT_TRUE(StationOf(station).SetWords(kStringElement, c.element));
        auto gate = Parse(StringGateOf(station), PDX_GATE_STRING);
        ASSERT_EQ(gate->parsed, PDX_DONE);

        EXPECT_EQ(Call(PDX_READ_GATE, *gate), PDX_DONE);

        const std::size_t n = c.text.size();
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(gate->buffer.data()), n), c.text);
        EXPECT_EQ(gate->buffer[n], 0);
        EXPECT_EQ(gate->buffer[n + 1], 0xEE);
        EXPECT_EQ(StationOf(station).LastRequest()->decoded.byteSize, 84);
        EXPECT_EQ(gate->access.data, gate->buffer.data());
    }
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Access, GReads, ::testing::ValuesIn(kGReadCases),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- G writes -------------------------------------------------------------

struct GWriteCase {
    const char *name;
    std::string text;
    Words element;  // the 42 words the PLC receives
};

void PrintTo(const GWriteCase &c, std::ostream *os) {
    *os << c.name;
}

const GWriteCase kGWriteCases[] = {
    {"Even", "AB", Padded({2, 0x4142}, 42)},
    {"Odd", "ABC", Padded({3, 0x4142, 0x4300}, 42)},
    {"Empty", "", Padded({0}, 42)},
    {"EightyTwo", Letters(82), GElement(82, Letters(82))},
    // Only 82 characters fit the element, and the length word says so.
    {"EightyFiveCutToEightyTwo", Letters(85), GElement(82, Letters(82))},
};

class GWrites : public AccessTest, public ::testing::WithParamInterface<GWriteCase> {};

TEST_P(GWrites, AlwaysFortyTwoWords) {
    const GWriteCase &c = GetParam();
    for (int station : {kPlc5Station, kSlcStation}) {
        SCOPED_TRACE(station);
        ASSERT_TRUE(StationOf(station).SetWords(kStringElement, Words(42, kUntouched)));
        auto gate = Parse(StringGateOf(station), PDX_GATE_STRING);
        ASSERT_EQ(gate->parsed, PDX_DONE);
        gate->PutText(c.text);

        EXPECT_EQ(Call(PDX_WRITE_GATE, *gate), PDX_DONE);

        EXPECT_EQ(StationOf(station).GetWords(kStringElement, 42), c.element);
        EXPECT_EQ(StationOf(station).LastRequest()->decoded.words, c.element);
    }
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Access, GWrites, ::testing::ValuesIn(kGWriteCases),
                         [](const auto &p) { return std::string(p.param.name); });

// ---- X and Y texts in integer files ---------------------------------------

struct FileStringCase {
    const char *name;
    const char *address;    // station, X or Y, file 10, element 10, length
    std::string text;       // the host's text
    Words plcWords;         // what the PLC holds from N10:10 on after the write
    std::string hostBytes;  // what a read hands the host (no terminator)
};

void PrintTo(const FileStringCase &c, std::ostream *os) {
    *os << c.name;
}

const FileStringCase kFileStringCases[] = {
    {"Plc5XEven", "05X01001004", "ABCD", {0x4241, 0x4443}, "ABCD"},
    {"Plc5YEven", "05Y01001004", "ABCD", {0x4142, 0x4344}, "ABCD"},
    // An odd length: the last word carries the last character and a 0.
    {"Plc5XOdd", "05X01001005", "ABCDE", {0x4241, 0x4443, 0x0045}, "ABCDE"},
    {"Plc5YOdd", "05Y01001005", "ABCDE", {0x4142, 0x4344, 0x4500}, "ABCDE"},
    {"SlcXEven", "06X01001004", "ABCD", {0x4241, 0x4443}, "ABCD"},
    {"SlcYOdd", "06Y01001005", "ABCDE", {0x4142, 0x4344, 0x4500}, "ABCDE"},
    {"Plc5XOneCharacter", "05X01001001", "Z", {0x005A}, "Z"},
    {"SlcYOneCharacter", "06Y01001001", "Z", {0x5A00}, "Z"},
    // The length byte is no sub-element: the text lies at N10:10, not N10:30.
    {"SlcXTwenty", "06X01001020", Letters(20), TextWords(Letters(20), false), Letters(20)},
    {"SlcYTwenty", "06Y01001020", Letters(20), TextWords(Letters(20), true), Letters(20)},
    {"ShortTextZeroFilled", "06Y01001007", "Hi", {0x4869, 0, 0, 0}, std::string("Hi\0\0\0\0\0", 7)},
    {"LongerTextCut", "05X01001003", "ABCDEFG", {0x4241, 0x0043}, "ABC"},
};

class FileStrings : public AccessTest, public ::testing::WithParamInterface<FileStringCase> {};

TEST_P(FileStrings, WordsInTheIntegerFileAndBytesForTheHost) {
    const FileStringCase &c = GetParam();
    const int station = c.address[1] == '6' ? kSlcStation : kPlc5Station;
    plcsim::Station &plc = StationOf(station);
    ASSERT_TRUE(plc.SetWords({FileType::N, 10, 0}, Words(40, kUntouched)));
    auto gate = Parse(c.address, PDX_GATE_STRING);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    gate->PutText(c.text);
    const std::size_t words = c.plcWords.size();

    EXPECT_EQ(Call(PDX_WRITE_GATE, *gate), PDX_DONE);
    Words expected(10, kUntouched);
    for (std::uint16_t w : c.plcWords) expected.push_back(w);
    expected.resize(40, kUntouched);
    EXPECT_EQ(plc.GetWords({FileType::N, 10, 0}, 40), expected);
    EXPECT_EQ(plc.LastRequest()->decoded.element, 10);
    EXPECT_EQ(plc.LastRequest()->decoded.subElement, station == kSlcStation ? 0 : -1);

    gate->PutText("");
    gate->buffer[0] = 0xEE;
    gate->Access(1);
    EXPECT_EQ(Call(PDX_READ_GATE, *gate), PDX_DONE);
    // Exactly the text's length in characters, no more.
    const std::size_t length = c.hostBytes.size();
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(gate->buffer.data()), length),
              c.hostBytes);
    EXPECT_EQ(gate->buffer[length], 0xEE);
    EXPECT_EQ(gate->access.data, gate->buffer.data());  // X and Y cells are not moved
    EXPECT_EQ(plc.LastRequest()->decoded.byteSize, static_cast<int>(2 * words));
    EXPECT_EQ(plc.LastRequest()->decoded.subElement, station == kSlcStation ? 0 : -1);
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Access, FileStrings, ::testing::ValuesIn(kFileStringCases),
                         [](const auto &p) { return std::string(p.param.name); });

// A gate count other than 1 sends that many words; those past the text are 0.
TEST_F(AccessTest, FileStringWithLargerCountSendsZerosPastTheText) {
    ASSERT_TRUE(Plc5().SetWords({FileType::N, 10, 0}, Words(40, kUntouched)));
    auto gate = Parse("05Y01001003", PDX_GATE_STRING);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    gate->PutText("ABC");
    gate->Access(4);

    EXPECT_EQ(Call(PDX_WRITE_GATE, *gate), PDX_DONE);

    const Words expected = {0x4142, 0x4300, 0, 0, kUntouched};
    EXPECT_EQ(Plc5().GetWords({FileType::N, 10, 10}, 5), expected);
}

}  // namespace
}  // namespace accesstest
