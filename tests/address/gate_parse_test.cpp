// Command 3: decoding, gate kinds, messages, and hostile address texts.
#include <string>

#include "tests/address/address_fixture.h"

namespace address_test {
namespace {

struct DecodeCase {
    const char *text;
    int gateType;
    int station;
    char letter;
    int file, element, sub, bit, valueBits;
};

// Accepted addresses and what they decode to.
const DecodeCase kAccepted[] = {
    {"05N007012", kInteger, 5, 'N', 7, 12, 0, 255, 16},
    {"05n007012", kInteger, 5, 'N', 7, 12, 0, 255, 16},
    {"05N007012", kReal, 5, 'N', 7, 12, 0, 255, 16},
    {"05N007012", 99, 5, 'N', 7, 12, 0, 255, 16},
    {"05B00301007", kDigital, 5, 'B', 3, 10, 0, 7, 16},
    {"05B0030101", kDigital, 5, 'B', 3, 10, 0, 1, 16},
    {"05b003010 7", kInteger, 5, 'B', 3, 10, 0, 255, 16},
    {"05S002001", kInteger, 5, 'S', 2, 1, 0, 255, 16},
    {"05F008003", kReal, 5, 'F', 8, 3, 0, 255, 32},
    {"05I00001217", kDigital, 5, 'I', 0, 10, 0, 15, 16},
    {"05O00077707", kDigital, 5, 'O', 0, 511, 0, 7, 16},
    {"05I000012", kInteger, 5, 'I', 0, 10, 0, 255, 16},
    {"06I00001217", kInteger, 6, 'I', 0, 12, 17, 255, 16},
    {"06I0010030005", kDigital, 6, 'I', 1, 3, 0, 5, 16},
    {"06O0010039915", kDigital, 6, 'O', 1, 3, 99, 15, 16},
    {"08I00100000", kInteger, 8, 'I', 1, 0, 0, 255, 16},
    {"99I00100000", kInteger, 99, 'I', 1, 0, 0, 255, 16},
    {"05T00400101", kInteger, 5, 'T', 4, 1, 1, 255, 16},
    {"05T0040010013", kDigital, 5, 'T', 4, 1, 0, 13, 16},
    {"06C00500202", kInteger, 6, 'C', 5, 2, 2, 255, 16},
    {"05R006999000", kDigital, 5, 'R', 6, 999, 0, 0, 16},
    {"05P00900002", kReal, 5, 'P', 9, 0, 2, 255, 32},
    {"05P00900004", kReal, 5, 'P', 9, 0, 4, 255, 32},
    {"05P00900048", kReal, 5, 'P', 9, 0, 48, 255, 32},
    {"05P00900001", kInteger, 5, 'P', 9, 0, 1, 255, 16},
    {"05P00900000", kInteger, 5, 'P', 9, 0, 0, 255, 16},
    {"05P0090000112", kDigital, 5, 'P', 9, 0, 1, 12, 16},
    {"05G009001", kString, 5, 'G', 9, 1, 0, 255, 16},
    {"06g999999", kString, 6, 'G', 999, 999, 0, 255, 16},
    {"00N000000", kInteger, 0, 'N', 0, 0, 0, 255, 16},
    {"77N999999", kInteger, 77, 'N', 999, 999, 0, 255, 16},
    {"05N007012    ", kInteger, 5, 'N', 7, 12, 0, 255, 16},
    {"05N007012            ", kInteger, 5, 'N', 7, 12, 0, 255, 16},
};

TEST_F(GateTest, AcceptedAddressesDecode) {
    for (const DecodeCase &c : kAccepted) {
        GateRecord g = Gate(c.text, c.gateType);
        ASSERT_EQ(Parse(&g), PDX_DONE) << c.text << " type " << c.gateType;
        EXPECT_EQ(g.station, c.station) << c.text;
        EXPECT_EQ(g.fileType, c.letter) << c.text;
        EXPECT_EQ(FileOf(g), c.file) << c.text;
        EXPECT_EQ(ElementOf(g), c.element) << c.text;
        EXPECT_EQ(SubOf(g), c.sub) << c.text;
        EXPECT_EQ(g.bit, c.bit) << c.text;
        EXPECT_EQ(g.valueBits, c.valueBits) << c.text;
        EXPECT_EQ(g.gateId, 4242);
        EXPECT_EQ(g.blockLength, 0);
    }
    EXPECT_EQ(messages_.Count(), 0u);
}

struct RejectCase {
    const char *text;
    int gateType;
    const char *why;
};

// Rejected without a message: the gate kind does not fit the address.
const RejectCase kKindRejects[] = {
    {"05b003010 7", kDigital, "blank first bit column: no bit"},
    {"05B00301016", kDigital, "bit above 15"},
    {"05B00301016", kInteger, "bit on a word gate"},
    {"05N007012", kDigital, "no bit"},
    {"05T0040010113", kDigital, "bit outside sub-element 0"},
    {"05T0040010113", kInteger, "bit on a word gate"},
    {"05T00400101", kDigital, "no bit"},
    {"05P00900004", kInteger, "32-bit PID word on an integer gate"},
    {"05P00900001", kReal, "16-bit PID word on a real gate"},
    {"05P0090000212", kDigital, "bit in a 32-bit PID value"},
    {"05F008003", kInteger, "F on an integer gate"},
    {"05F008003", kDigital, "F without bit"},
    {"05F00800301", kDigital, "F with bit"},
    {"05F00800301", kReal, "F with bit on a real gate"},
    {"05G009001", kInteger, "G needs a string gate"},
    {"05G009001", kReal, "G needs a string gate"},
    {"05N007000", kString, "string gate needs G"},
    {"05I00001217", kString, "string gate needs G"},
    {"05I00001217", kInteger, "PLC-5 I with bit on a word gate"},
    {"06I00001217", kDigital, "SLC I without bit"},
    {"06I0010030016", kDigital, "SLC bit above 15"},
    {"06I0010030019", kDigital, "SLC bit above 15"},
    {"06I0010030005", kInteger, "SLC bit on a word gate"},
    {"05B00301019", kDigital, "bit above 15"},
};

TEST_F(GateTest, GateKindMismatchesAreRejectedSilently) {
    for (const RejectCase &c : kKindRejects) {
        EXPECT_EQ(Parse(c.text, c.gateType), PDX_REQUEST_ERROR) << c.text << ": " << c.why;
    }
    EXPECT_EQ(messages_.Count(), 0u);
}

// Rejected with the invalid-character message at level 8.
const RejectCase kColumnRejects[] = {
    {"05I00001817", kDigital, "8 in an octal element"},
    {"05I00001218", kDigital, "8 in an octal bit"},
    {"05I0010030005", kDigital, "SLC I/O form on a PLC-5"},
    {"06P00900002", kReal, "PID on an SLC 5"},
    {"05P00900003", kReal, "odd PID sub-element"},
    {"05P00900050", kReal, "PID sub-element above 48"},
    {"05T00400103", kInteger, "sub-element 3"},
    {"05T00400110", kInteger, "sub-element 10"},
    {"05N00701", kInteger, "element needs three digits"},
    {"05N 07012", kInteger, "blank in the file number"},
    {"05A007012", kInteger, "no such letter"},
    {"05N007012  1", kInteger, "column 11 must be blank"},
    {"05G0090011", kString, "G has no bit"},
    {"05N007012\xe9", kInteger, "byte above 127"},
    {"05N00701\xff", kInteger, "byte above 127"},
    {"05N007012\t", kInteger, "tab is no blank"},
    {"05N007012    X", kInteger, "text after column 12"},
    {"05N0070121234567890", kInteger, "text after column 12"},
    {" 5N007012", kInteger, "station read as 5, but column 0 blank"},
    {"+5N007012", kInteger, "station read as 5, but column 0 a sign"},
};

TEST_F(GateTest, ColumnMismatchesGiveTheInvalidCharacterMessage) {
    for (const RejectCase &c : kColumnRejects) {
        messages_.Clear();
        EXPECT_EQ(Parse(c.text, c.gateType), PDX_REQUEST_ERROR) << c.text << ": " << c.why;
        EXPECT_EQ(messages_.Count(), 1u) << c.text;
        EXPECT_TRUE(messages_.Has(kInvalidChar, ordax::kLevelDetail)) << c.text;
    }
}

TEST_F(GateTest, UnreadableStationIsRejectedSilently) {
    struct Case {
        const char *text;
        int stored;  // station field after the rejection
    };
    const Case cases[] = {
        // No number at all: nothing to store.
        {"A5N007000", kUnset},
        {"  N007012", kUnset},
        {"", kUnset},
        {"+N007012", kUnset},
        {"-N007012", kUnset},
        // Read as 0 from columns other than "00": stored, then refused.
        {"0AN007000", 0},
        {"-0N007012", 0},
        {"+0N007012", 0},
        {" 0N007012", 0},
        {"0", 0},
        {"0 N007012", 0},
        {"0AX01002020", 0},
        {"0AG009001", 0},
        // A sign and a digit read as -1..-9: refused and never stored.
        {"-5N007012", kUnset},
        {"-9X01002020", kUnset},
    };
    for (const Case &c : cases) {
        for (int gateType : {kInteger, kString}) {
            GateRecord g = Gate(c.text, gateType);
            EXPECT_EQ(Parse(&g), PDX_REQUEST_ERROR) << '"' << c.text << '"';
            EXPECT_EQ(g.station, c.stored) << '"' << c.text << '"';
            EXPECT_EQ(g.bit, 255) << c.text;
            EXPECT_EQ(g.valueBits, 16) << c.text;
            EXPECT_EQ(g.packedAddress, kUnset) << c.text;
        }
    }
    EXPECT_EQ(messages_.Count(), 0u);
    EXPECT_EQ(DefinitionCount(), 0);
}

TEST_F(GateTest, UnconfiguredStationGivesUnknownDeviceType) {
    GateRecord g = Gate("04N007012", kInteger);
    EXPECT_EQ(Parse(&g), PDX_REQUEST_ERROR);
    EXPECT_EQ(g.station, 4);
    EXPECT_EQ(g.fileType, 'N');
    ASSERT_EQ(messages_.Count(), 1u);
    EXPECT_TRUE(messages_.Has(kUnknownDevice, ordax::kLevelDetail));
    ctx_->stations[4].plcType = 3;
    EXPECT_EQ(Parse("04N007012", kInteger), PDX_REQUEST_ERROR);
    EXPECT_EQ(messages_.Count(), 2u);
}

// The station columns take any two decimal digits in every form, as the
// node file configures stations 00-99; the other columns keep their sets.
TEST_F(GateTest, StationsWithAnEightOrANineAreAddressableInEveryForm) {
    struct Case {
        const char *text;
        int gateType;
        int family;       // of the station, set before the parse
        int blockLength;  // above 0: command 4
        int station, element, sub, bit, valueBits;
    };
    const int P5 = ordax::kPlc5;
    const int S5 = ordax::kSlc5;
    const Case accepted[] = {
        {"08N007012", kInteger, P5, 0, 8, 12, 0, 255, 16},
        {"09N007012", kInteger, S5, 0, 9, 12, 0, 255, 16},
        {"18B00301007", kDigital, P5, 0, 18, 10, 0, 7, 16},
        {"90S002001", kInteger, S5, 0, 90, 1, 0, 255, 16},
        {"80F008003", kReal, P5, 0, 80, 3, 0, 255, 32},
        {"98F008003", kReal, S5, 0, 98, 3, 0, 255, 32},
        {"81I00001217", kDigital, P5, 0, 81, 10, 0, 15, 16},
        {"88I0010030005", kDigital, S5, 0, 88, 3, 0, 5, 16},
        {"89T0040010013", kDigital, P5, 0, 89, 1, 0, 13, 16},
        {"28C00500202", kInteger, S5, 0, 28, 2, 2, 255, 16},
        {"79R006999000", kDigital, P5, 0, 79, 999, 0, 0, 16},
        {"99P00900002", kReal, P5, 0, 99, 0, 2, 255, 32},
        {"19P0090000112", kDigital, P5, 0, 19, 0, 1, 12, 16},
        {"99G009001", kString, P5, 0, 99, 1, 0, 255, 16},
        {"08G009001", kString, S5, 0, 8, 1, 0, 255, 16},
        {"08N007000", kInteger, P5, 1000, 8, 0, 0, 255, 16},
        {"99N007000", kInteger, S5, 256, 99, 0, 0, 255, 16},
    };
    for (const Case &c : accepted) {
        ctx_->stations[c.station].plcType = c.family;
        GateRecord g = Gate(c.text, c.gateType, c.blockLength);
        ASSERT_EQ(c.blockLength > 0 ? Block(&g) : Parse(&g), PDX_DONE) << c.text;
        EXPECT_EQ(g.station, c.station) << c.text;
        EXPECT_EQ(ElementOf(g), c.element) << c.text;
        EXPECT_EQ(SubOf(g), c.sub) << c.text;
        EXPECT_EQ(g.bit, c.bit) << c.text;
        EXPECT_EQ(g.valueBits, c.valueBits) << c.text;
    }
    EXPECT_EQ(messages_.Count(), 0u);

    // The same stations with a character some other column refuses.
    struct Refused {
        const char *text;
        int gateType;
        int family;
        int station;
        const char *why;
    };
    const Refused refused[] = {
        {"08I00001817", kDigital, P5, 8, "8 in an octal element"},
        {"99I00001218", kDigital, P5, 99, "8 in an octal bit"},
        {"89I000012 8", kInteger, P5, 89, "8 in the second octal bit column"},
        {"80P00900003", kReal, P5, 80, "odd PID sub-element"},
        {"98P00900002", kReal, S5, 98, "PID on an SLC 5"},
        {"09T00400103", kInteger, S5, 9, "sub-element 3"},
        {"18G0090011", kString, P5, 18, "G has no bit"},
        {"90N00701020", kDigital, S5, 90, "bit tens digit 2"},
        {"88I0010030025", kDigital, S5, 88, "SLC bit tens digit 2"},
        {"8AN007000", kInteger, P5, 8, "a letter in a station column"},
        {"9 N007000", kInteger, S5, 9, "a blank in a station column"},
    };
    for (const Refused &c : refused) {
        ctx_->stations[c.station].plcType = c.family;
        messages_.Clear();
        GateRecord g = Gate(c.text, c.gateType);
        EXPECT_EQ(Parse(&g), PDX_REQUEST_ERROR) << c.text << ": " << c.why;
        EXPECT_EQ(g.station, c.station) << c.text;
        EXPECT_EQ(messages_.Count(), 1u) << c.text;
        EXPECT_TRUE(messages_.Has(kInvalidChar, ordax::kLevelDetail)) << c.text;
    }
}

TEST_F(GateTest, SameTextDecodesByTheStationsFamily) {
    GateRecord g = Gate("05I00001217", kDigital);
    ASSERT_EQ(Parse(&g), PDX_DONE);
    EXPECT_EQ(ElementOf(g), 10);
    EXPECT_EQ(g.bit, 15);
    ctx_->stations[5].plcType = ordax::kSlc5;
    g = Gate("05I00001217", kInteger);
    ASSERT_EQ(Parse(&g), PDX_DONE);
    EXPECT_EQ(ElementOf(g), 12);
    EXPECT_EQ(SubOf(g), 17);
    EXPECT_EQ(g.bit, 255);
}

TEST_F(GateTest, FieldsWrittenBeforeARejectionKeepTheirValues) {
    GateRecord g = Gate("05F00800301", kDigital);
    EXPECT_EQ(Parse(&g), PDX_REQUEST_ERROR);
    EXPECT_EQ(g.station, 5);
    EXPECT_EQ(g.fileType, 'F');
    EXPECT_EQ(FileOf(g), 8);
    EXPECT_EQ(ElementOf(g), 3);
    EXPECT_EQ(g.bit, 1);
    EXPECT_EQ(g.valueBits, 32);
}

TEST_F(GateTest, HostileRecordsNeverReachOutside) {
    GateRecord g = Gate(nullptr, kInteger);
    EXPECT_EQ(Parse(&g), PDX_REQUEST_ERROR);
    EXPECT_EQ(g.fileType, ' ');
    const std::string huge(100000, 'N');
    EXPECT_EQ(Parse(huge.c_str(), kInteger), PDX_REQUEST_ERROR);
    const std::string longValid = "05N007012" + std::string(5000, ' ');
    EXPECT_EQ(Parse(longValid.c_str(), kInteger), PDX_DONE);
    const std::string high(20, '\xff');
    EXPECT_EQ(Parse(high.c_str(), kInteger), PDX_REQUEST_ERROR);
    EXPECT_EQ(ctx_->parsingBlock, 0);  // the byte after the 13 columns
    EXPECT_EQ(Call(PDX_PARSE_GATE, nullptr), PDX_REQUEST_ERROR);
    PdxCall call{};
    call.command = PDX_PARSE_GATE;
    call.args = &g;
    EXPECT_EQ(PdxMain(&call), PDX_REQUEST_ERROR);
}

TEST_F(GateTest, WorkCopyIsUpperCasedAndBlankPadded) {
    ASSERT_EQ(Parse("05n007012", kInteger), PDX_DONE);
    EXPECT_EQ(std::string(ctx_->addressColumns, 13), "05N007012    ");
    ASSERT_EQ(Parse("05N007012            ", kInteger), PDX_DONE);
    EXPECT_EQ(std::string(ctx_->addressColumns, 13), "05N007012    ");
}

}  // namespace
}  // namespace address_test
