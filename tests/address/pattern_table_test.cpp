// The seven address patterns, column by column, and the patterns each
// family admits.
#include <string>
#include <vector>

#include "address/patterns.h"
#include "tests/address/address_fixture.h"

namespace address_test {
namespace {

struct PatternExpectation {
    ordax::PatternId id;
    const char *valid;        // an address the pattern admits, 13 columns
    const char *columns[13];  // the characters each column admits
};

const char *const D = "0123456789";
const char *const O = "01234567";
const char *const B = " ";

const PatternExpectation kExpected[] = {
    {ordax::kPatternDataFiles,
     "05N007012    ",
     {D, D, "SBNF", D, D, D, D, D, D, "01 ", "0123456789 ", B, B}},
    {ordax::kPatternPlc5Io,
     "05I00001217  ",
     {D, D, "IO", D, D, D, O, O, O, "01 ", "01234567 ", B, B}},
    {ordax::kPatternSlcIo,
     "05I0010030005",
     {D, D, "IO", D, D, D, D, D, D, D, D, "01 ", "0123456789 "}},
    {ordax::kPatternStructures,
     "05T0040010013",
     {D, D, "TCR", D, D, D, D, D, D, "0", "012", "01 ", "0123456789 "}},
    {ordax::kPatternPid,
     "05P00900002  ",
     {D, D, "P", D, D, D, D, D, D, "01234", "012468", "01 ", "0123456789 "}},
    {ordax::kPatternStringFile, "05G009001    ", {D, D, "G", D, D, D, D, D, D, B, B, B, B}},
    {ordax::kPatternIntegerString, "05X01002020  ", {D, D, "XY", D, D, D, D, D, D, D, D, B, B}},
};

bool Admits(const char *set, int byte) {
    return byte != 0 && std::string(set).find(static_cast<char>(byte)) != std::string::npos;
}

// Every byte value in every column of every pattern, the rest of the
// address held valid.
TEST(AddressPatterns, EveryColumnAdmitsExactlyItsCharacters) {
    for (const PatternExpectation &p : kExpected) {
        const ordax::AddressPattern &pattern = ordax::kAddressPatterns[p.id];
        ASSERT_TRUE(ordax::PatternMatches(pattern, p.valid)) << pattern.name;
        for (int column = 0; column < 13; ++column) {
            for (int byte = 0; byte < 256; ++byte) {
                std::string text(p.valid);
                text[static_cast<size_t>(column)] = static_cast<char>(byte);
                EXPECT_EQ(ordax::PatternMatches(pattern, text.c_str()),
                          Admits(p.columns[column], byte))
                    << pattern.name << " column " << column << " byte " << byte;
            }
        }
    }
}

// Each column with one admitted and one refused character, through
// command 3 on a station of the pattern's family (block mode, so that only
// the columns decide).
struct ColumnCase {
    const char *valid;
    const char *allowed;  // per column from 2 on, a character the column admits
    const char *refused;  // per column, a character no pattern of the family admits there
};

const ColumnCase kColumnCases[] = {
    {"05N007012    ", "05B99999919  ", "05A#AAA##2A15"},
    {"05I00001217  ", "05O99977717  ", "05A#AA8882811"},
    {"06I0010030005", "06O9999999919", "06A#AAA##  2A"},
    {"05T0040010013", "05R9999990219", "05A#AAA##132A"},
    {"05P00900002  ", "05P9999994819", "05A#AAA##532A"},
    {"05G009001    ", "05G999999    ", "05A#AAA##1111"},
};

TEST_F(GateTest, EachColumnWithOneAdmittedAndOneRefusedCharacter) {
    for (const ColumnCase &c : kColumnCases) {
        ASSERT_EQ(std::string(c.allowed).size(), 13u) << c.valid;
        ASSERT_EQ(std::string(c.refused).size(), 13u) << c.valid;
        // Columns 0-1 hold the station: walked in the gate parser's tests.
        for (int column = 2; column < 13; ++column) {
            std::string text(c.valid);
            const auto at = static_cast<size_t>(column);
            text[at] = c.allowed[at];
            ctx_->parsingBlock = 1;
            EXPECT_EQ(Parse(text.c_str(), kInteger), PDX_DONE) << text;
            text[at] = c.refused[at];
            ctx_->parsingBlock = 1;
            messages_.Clear();
            EXPECT_EQ(Parse(text.c_str(), kInteger), PDX_REQUEST_ERROR) << text;
            EXPECT_TRUE(messages_.Has(kInvalidChar, ordax::kLevelDetail)) << text;
        }
    }
}

// Each pattern's sample address under each family: which patterns a family
// tries. X and Y go their own way whatever the family.
TEST_F(GateTest, FamiliesAdmitTheirPatternsOnly) {
    struct FamilyCase {
        const char *plc5Text;
        const char *slc5Text;
        bool plc5, slc5;
    };
    const FamilyCase cases[] = {
        {"05N007012", "06N007012", true, true},
        {"05I00001217", "06I00001217", true, true},  // SLC reads it as word 17
        {"05I0010030005", "06I0010030005", false, true},
        {"05T0040010013", "06T0040010013", true, true},
        {"05P00900002", "06P00900002", true, false},
        {"05G009001", "06G009001", true, true},
    };
    for (const FamilyCase &c : cases) {
        ctx_->parsingBlock = 1;
        EXPECT_EQ(Parse(c.plc5Text, kInteger) == PDX_DONE, c.plc5) << c.plc5Text;
        ctx_->parsingBlock = 1;
        EXPECT_EQ(Parse(c.slc5Text, kInteger) == PDX_DONE, c.slc5) << c.slc5Text;
    }
}

TEST(AddressPatterns, FamilyOrderAsListed) {
    const std::vector<ordax::PatternId> plc5(ordax::FamilyPatterns(ordax::kPlc5).begin(),
                                             ordax::FamilyPatterns(ordax::kPlc5).end());
    const std::vector<ordax::PatternId> slc5(ordax::FamilyPatterns(ordax::kSlc5).begin(),
                                             ordax::FamilyPatterns(ordax::kSlc5).end());
    EXPECT_EQ(plc5, (std::vector<ordax::PatternId>{ordax::kPatternDataFiles, ordax::kPatternPlc5Io,
                                                   ordax::kPatternStructures, ordax::kPatternPid,
                                                   ordax::kPatternStringFile}));
    EXPECT_EQ(slc5, (std::vector<ordax::PatternId>{ordax::kPatternDataFiles, ordax::kPatternSlcIo,
                                                   ordax::kPatternStructures,
                                                   ordax::kPatternStringFile}));
    EXPECT_TRUE(ordax::FamilyPatterns(ordax::kPlcNone).empty());
    EXPECT_TRUE(ordax::FamilyPatterns(3).empty());
}

}  // namespace
}  // namespace address_test
