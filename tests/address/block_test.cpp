// Command 4: block gates, their bit columns and their length limits.
#include "tests/address/address_fixture.h"

namespace address_test {
namespace {

struct LimitCase {
    const char *text;  // a block address without a bit
    int limit;
};

const LimitCase kPlc5Limits[] = {
    {"05S002000", 1000}, {"05B003000", 1000}, {"05N007000", 1000}, {"05F008000", 500},
    {"05I000000", 1000}, {"05O000000", 1000}, {"05T00400000", 0},  {"05C00500001", 0},
    {"05R00600002", 0},  {"05P00900000", 0},  {"05G009000", 0},
};

const LimitCase kSlc5Limits[] = {
    {"06S002000", 256}, {"06B003000", 256}, {"06N007000", 256}, {"06F008000", 256},
    {"06I00100000", 1}, {"06O00000000", 1}, {"06T00400000", 0}, {"06C00500001", 0},
    {"06R00600002", 0}, {"06G009000", 0},
};

TEST_F(GateTest, BlockLengthsUpToTheLimitAreAcceptedAboveRejected) {
    auto check = [this](const LimitCase &c) {
        EXPECT_EQ(Block(c.text, kInteger, c.limit), PDX_DONE) << c.text << " " << c.limit;
        EXPECT_EQ(Block(c.text, kInteger, c.limit + 1), PDX_REQUEST_ERROR) << c.text;
        EXPECT_EQ(Block(c.text, kInteger, 0), PDX_DONE) << c.text;
        EXPECT_EQ(Block(c.text, kInteger, -5), PDX_DONE) << c.text;
        EXPECT_EQ(ctx_->parsingBlock, 0) << c.text;
    };
    for (const LimitCase &c : kPlc5Limits) check(c);
    for (const LimitCase &c : kSlc5Limits) check(c);
    EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(GateTest, BlockDecodesLikeAGateAndKeepsTheWidth) {
    GateRecord g = Gate("05F008003", kReal, 500);
    ASSERT_EQ(Block(&g), PDX_DONE);
    EXPECT_EQ(g.station, 5);
    EXPECT_EQ(g.fileType, 'F');
    EXPECT_EQ(FileOf(g), 8);
    EXPECT_EQ(ElementOf(g), 3);
    EXPECT_EQ(g.valueBits, 32);
    EXPECT_EQ(g.bit, 255);
    // Block mode skips the gate-kind checks: an F block on an integer gate.
    g = Gate("05F008003", kInteger, 10);
    EXPECT_EQ(Block(&g), PDX_DONE);
    g = Gate("05N007010", kInteger, 10);
    ASSERT_EQ(Block(&g), PDX_DONE);
    EXPECT_EQ(ElementOf(g), 10);
}

TEST_F(GateTest, BlockMustNotNameABit) {
    EXPECT_EQ(Block("05N00701003", kInteger, 10), PDX_REQUEST_ERROR);
    EXPECT_EQ(Block("05N007010 3", kInteger, 10), PDX_REQUEST_ERROR);
    EXPECT_EQ(Block("05N0070100", kInteger, 10), PDX_REQUEST_ERROR);
    EXPECT_EQ(Block("05I00001217", kInteger, 1), PDX_REQUEST_ERROR);
    EXPECT_EQ(Block("06I0010000005", kInteger, 1), PDX_REQUEST_ERROR);
    EXPECT_EQ(Block("06I00100000 5", kInteger, 1), PDX_REQUEST_ERROR);
    EXPECT_EQ(Block("05T0040010013", kInteger, 0), PDX_REQUEST_ERROR);
    // The sub-element is no bit: the limit rejects it.
    EXPECT_EQ(Block("05T00400102", kInteger, 1), PDX_REQUEST_ERROR);
    EXPECT_EQ(Block("05T00400102", kInteger, 0), PDX_DONE);
    EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(GateTest, StringGateBlocksAreRejectedSilently) {
    for (const char *text : {"05N007000", "05G009001", "05X01002020", "garbage"}) {
        EXPECT_EQ(Block(text, kString, 1), PDX_REQUEST_ERROR) << text;
    }
    EXPECT_EQ(messages_.Count(), 0u);
    EXPECT_EQ(DefinitionCount(), 0);
}

TEST_F(GateTest, ParserMessagesPassThroughAndBlockModeEnds) {
    EXPECT_EQ(Block("04N007000", kInteger, 1), PDX_REQUEST_ERROR);
    EXPECT_TRUE(messages_.Has(kUnknownDevice, ordax::kLevelDetail));
    EXPECT_EQ(ctx_->parsingBlock, 0);
    EXPECT_EQ(Block("06P00900000", kInteger, 0), PDX_REQUEST_ERROR);
    EXPECT_TRUE(messages_.Has(kInvalidChar, ordax::kLevelDetail));
    EXPECT_EQ(ctx_->parsingBlock, 0);
    EXPECT_EQ(Block("0AN007000", kInteger, 1), PDX_REQUEST_ERROR);
    EXPECT_EQ(messages_.Count(), 2u);
    EXPECT_EQ(ctx_->parsingBlock, 0);
    // A single-gate parse after a block parse runs the gate-kind checks again.
    EXPECT_EQ(Parse("05F008003", kInteger), PDX_REQUEST_ERROR);
}

TEST_F(GateTest, BlockCallWithoutRecordsIsRejected) {
    EXPECT_EQ(Call(PDX_PARSE_BLOCK, nullptr), PDX_REQUEST_ERROR);
    GateRecord g = Gate(nullptr, kInteger, 1);
    EXPECT_EQ(Block(&g), PDX_REQUEST_ERROR);
    EXPECT_EQ(ctx_->parsingBlock, 0);
}

}  // namespace
}  // namespace address_test
