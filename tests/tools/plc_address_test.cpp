// Processor addresses into gate addresses and back, for both families: the
// gate address and kind each form gives, the processor form each gate
// address shows, and a reason naming the wrong part of a bad address.
#include "tools/ordax/plc_address.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using ordax_cli::GateKind;

struct Case {
    const char *text;
    bool slc5;
    const char *gate;   // "" when refused
    GateKind kind;      // of a gate
    int count;          // of a gate
    const char *shown;  // the processor form of the gate; for a refusal, part of the reason
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.text << (c.slc5 ? " SLC 5" : " PLC-5");
}

constexpr GateKind W = GateKind::kWord;
constexpr GateKind D = GateKind::kDigital;
constexpr GateKind R = GateKind::kReal;
constexpr GateKind S = GateKind::kString;

const Case kCases[] = {
    {"N7:12", false, "05N007012", W, 1, "N7:12"},
    {"n7:12/3", true, "05N00701203", D, 1, "N7:12/3"},
    {"B3:1/7", false, "05B00300107", D, 1, "B3:1/7"},
    {"B3/23", true, "05B00300107", D, 1, "B3:1/7"},
    {"B3/15999", false, "05B00399915", D, 1, "B3:999/15"},
    {"F8:0", false, "05F008000", R, 1, "F8:0"},
    {"F8:0,20", true, "05F008000", R, 20, "F8:0"},
    {"N7:0,10", false, "05N007000", W, 10, "N7:0"},
    {"S:1", true, "05S002001", W, 1, "S2:1"},
    {"T4:2.ACC", false, "05T00400202", W, 1, "T4:2.ACC"},
    {"T4:1/DN", true, "05T0040010013", D, 1, "T4:1/DN"},
    {"C5:0.PRE", false, "05C00500001", W, 1, "C5:0.PRE"},
    {"C5:3/OV", false, "05C0050030012", D, 1, "C5:3/OV"},
    {"R6:1.POS", true, "05R00600102", W, 1, "R6:1.POS"},
    {"R6:1/9", true, "05R0060010009", D, 1, "R6:1/IN"},
    {"ST9:0", false, "05G009000", S, 1, "ST9:0"},
    {"I:012/17", false, "05I00101217", D, 1, "I:012/17"},
    {"O:0", false, "05O000000", W, 1, "O:000"},
    {"I:1/3", true, "05I0010010003", D, 1, "I:1/3"},
    {"O:2.1", true, "05O00000201", W, 1, "O:2.1"},
    // Refused, each naming the wrong part.
    {"N7", false, "", W, 0, "no element"},
    {"Q7:0", false, "", W, 0, "file letter 'Q'"},
    {"N:0", false, "", W, 0, "needs its file number"},
    {"N7:1000", false, "", W, 0, "element '1000'"},
    {"N7:0/16", false, "", W, 0, "bit '16'"},
    {"F8:0/1", false, "", W, 0, "no bits"},
    {"N7:0.ACC", false, "", W, 0, "no sub-elements"},
    {"T4:0.XYZ", false, "", W, 0, "'.XYZ'"},
    {"T4:0.ACC/DN", false, "", W, 0, "control word"},
    {"I:018/0", false, "", W, 0, "element '018'"},
    {"I:010/18", false, "", W, 0, "bit '18'"},
    {"N7:0,0", false, "", W, 0, "count '0'"},
    {"N7:0;", false, "", W, 0, "unexpected ';'"},
    {"ST9:0/1", false, "", W, 0, "no words or bits"},
    // Without ':' only a bit file has a bit counted from its first word; any
    // other address lacks its element, named with the form to write.
    {"T4/DN", false, "", W, 0, "no element in 'T4/DN': write T4:ELEMENT/DN, as T4:0/DN"},
    {"c5/dn", true, "", W, 0, "no element in 'c5/dn': write C5:ELEMENT/DN"},
    {"I/3", true, "", W, 0, "no element in 'I/3': write I:ELEMENT/3, as I:0/3"},
    {"I/3", false, "", W, 0, "no element in 'I/3'"},
    {"O/017", false, "", W, 0, "no element in 'O/017'"},
    {"N7/3", false, "", W, 0, "no element in 'N7/3': write N7:ELEMENT/3"},
    {"S/1", true, "", W, 0, "no element in 'S/1'"},
};

class PlcAddress : public ::testing::TestWithParam<Case> {};

TEST_P(PlcAddress, BecomesItsGateAddressAndBack) {
    const Case &c = GetParam();
    EXPECT_TRUE(ordax_cli::LooksLikeProcessorAddress(c.text) || c.gate[0] == '\0');
    ordax_cli::GateAddress gate{"", GateKind::kWord, 0};
    const std::string error = ordax_cli::ToGateAddress(c.text, 5, c.slc5, &gate);
    if (c.gate[0] == '\0') {
        EXPECT_NE(error.find(c.shown), std::string::npos) << error;
        return;
    }
    ASSERT_EQ(error, "");
    EXPECT_EQ(gate.text, c.gate);
    EXPECT_EQ(gate.kind, c.kind);
    EXPECT_EQ(gate.count, c.count);
    EXPECT_EQ(ordax_cli::ToProcessorAddress(gate.text, c.slc5), c.shown);
    EXPECT_EQ(ordax_cli::KindOfGateAddress(gate.text, c.slc5), c.kind);
    EXPECT_FALSE(ordax_cli::LooksLikeProcessorAddress(gate.text));
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, PlcAddress, ::testing::ValuesIn(kCases),
                         [](const auto &param) { return std::to_string(param.index); });

// Gate addresses without a processor form, the kinds of P and X gates, and
// a station outside 00..99.
TEST(PlcAddressEdges, GateFormsWithoutAProcessorFormAndBadStations) {
    EXPECT_EQ(ordax_cli::ToProcessorAddress("05X01002020", false), "");
    EXPECT_EQ(ordax_cli::ToProcessorAddress("0AN007000", false), "");
    EXPECT_EQ(ordax_cli::KindOfGateAddress("05X01002020", false), GateKind::kString);
    EXPECT_EQ(ordax_cli::KindOfGateAddress("05P00900002", false), GateKind::kReal);
    EXPECT_EQ(ordax_cli::KindOfGateAddress("05P00900001", false), GateKind::kWord);
    ordax_cli::GateAddress gate{"", GateKind::kWord, 0};
    EXPECT_NE(ordax_cli::ToGateAddress("N7:0", 100, false, &gate), "");
    EXPECT_EQ(ordax_cli::ToGateAddress("N7:0", 99, false, &gate), "");
    EXPECT_EQ(gate.text, "99N007000");
}

}  // namespace
