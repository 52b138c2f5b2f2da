// X and Y addresses of string gates and the channel's list of string
// definitions.
#include <string>

#include "address/parser.h"
#include "tests/address/address_fixture.h"

namespace address_test {
namespace {

const std::string kXYInBlock = "Ordax Od-parse 'X' or 'Y' File type not allowed in Blocks use 'N'";
const std::string kXYNeedsString = "Ordax Od-parse Must use String gate with 'X' or 'Y' File type";
const std::string kNoMemory =
    "Ordax Od-parse(ParseStringInNFIle) unable to allocate string definition structure";

TEST_F(GateTest, StringFileAddressAddsADefinition) {
    GateRecord g = Gate("05X01002020", kString);
    ASSERT_EQ(Parse(&g), PDX_DONE);
    EXPECT_EQ(g.station, 5);
    EXPECT_EQ(g.fileType, 'X');
    EXPECT_EQ(FileOf(g), 10);
    EXPECT_EQ(ElementOf(g), 20);
    EXPECT_EQ(SubOf(g), 20);
    EXPECT_EQ(g.bit, 255);
    EXPECT_EQ(g.valueBits, 16);
    ASSERT_EQ(DefinitionCount(), 1);
    const ordax::StringDefinition &d = *ctx_->stringDefinitions;
    EXPECT_EQ(d.next, nullptr);
    EXPECT_EQ(d.gateId, 4242);
    EXPECT_EQ(d.station, 5);
    EXPECT_EQ(d.fileType, 'X');
    EXPECT_EQ(d.fileNumber, 10);
    EXPECT_EQ(d.element, 20);
    EXPECT_EQ(d.length, 20);
    EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(GateTest, DefinitionsRunFromNewestToOldest) {
    const char *texts[] = {"05X01002020", "09y00700010", "99Y99999999", "05X01002020"};
    int id = 1;
    for (const char *text : texts) {
        GateRecord g = Gate(text, kString);
        g.gateId = id++;
        ASSERT_EQ(Parse(&g), PDX_DONE) << text;
    }
    ASSERT_EQ(DefinitionCount(), 4);
    const ordax::StringDefinition *d = ctx_->stringDefinitions;
    EXPECT_EQ(d->gateId, 4);
    d = d->next;
    EXPECT_EQ(d->gateId, 3);
    EXPECT_EQ(d->station, 99);
    EXPECT_EQ(d->fileNumber, 999);
    EXPECT_EQ(d->element, 999);
    EXPECT_EQ(d->length, 99);
    d = d->next;
    EXPECT_EQ(d->gateId, 2);
    EXPECT_EQ(d->fileType, 'Y');
    EXPECT_EQ(d->length, 10);
    EXPECT_EQ(d->next->gateId, 1);
}

TEST_F(GateTest, AnyStationZeroTo99WhateverItsConfiguration) {
    EXPECT_EQ(ctx_->stations[4].plcType, ordax::kPlcNone);
    EXPECT_EQ(Parse("04X00100000", kString), PDX_DONE);
    EXPECT_EQ(Parse("09Y00700010", kString), PDX_DONE);
    EXPECT_EQ(Parse("88X00100005", kString), PDX_DONE);
    EXPECT_EQ(DefinitionCount(), 3);
    EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(GateTest, StringFileOnOtherGateKindsNeedsAStringGate) {
    for (int type : {kInteger, kReal, kDigital}) {
        messages_.Clear();
        EXPECT_EQ(Parse("05X01002020", type), PDX_REQUEST_ERROR);
        ASSERT_EQ(messages_.Count(), 1u);
        EXPECT_TRUE(messages_.Has(kXYNeedsString, ordax::kLevelDetail));
    }
    EXPECT_EQ(DefinitionCount(), 0);
}

TEST_F(GateTest, StringFileInABlock) {
    EXPECT_EQ(Block("05X01002020", kInteger, 10), PDX_REQUEST_ERROR);
    ASSERT_EQ(messages_.Count(), 1u);
    EXPECT_TRUE(messages_.Has(kXYInBlock, ordax::kLevelDetail));
    EXPECT_EQ(ctx_->parsingBlock, 0);
    messages_.Clear();
    EXPECT_EQ(Block("05X01002020", kString, 10), PDX_REQUEST_ERROR);
    EXPECT_EQ(messages_.Count(), 0u);
    EXPECT_EQ(DefinitionCount(), 0);
}

TEST_F(GateTest, StringFileColumnsAndStation) {
    struct Case {
        const char *text;
        bool message;
    };
    const Case cases[] = {
        {"05X010020 5", true},    {"05X0100205", true},   {"05X01002020 1", true},
        {"05X01002020  Z", true}, {"05XA1002020", true},  {"05X01002020\x80", true},
        {"0AX01002020", false},   {"-5X01002020", false}, {" 0X01002020", false},
    };
    for (const Case &c : cases) {
        messages_.Clear();
        GateRecord g = Gate(c.text, kString);
        EXPECT_EQ(Parse(&g), PDX_REQUEST_ERROR) << c.text;
        EXPECT_EQ(messages_.Has(kInvalidChar, ordax::kLevelDetail), c.message) << c.text;
        EXPECT_EQ(messages_.Count(), c.message ? 1u : 0u) << c.text;
    }
    EXPECT_EQ(DefinitionCount(), 0);
    EXPECT_EQ(Parse("05X01002020      ", kString), PDX_DONE);
}

TEST_F(GateTest, MissingMemoryForADefinitionIsReportedAtLevel32) {
    GateRecord g = Gate("05X01002020", kString);
    ASSERT_EQ(Parse(&g), PDX_DONE);
    const ordax::StringDefinition *head = ctx_->stringDefinitions;
    EXPECT_EQ(ordax::LinkStringDefinition(ctx_.get(), g, nullptr), PDX_REQUEST_ERROR);
    EXPECT_TRUE(messages_.Has(kNoMemory, ordax::kLevelError));
    EXPECT_EQ(ctx_->stringDefinitions, head);
    EXPECT_EQ(DefinitionCount(), 1);
}

}  // namespace
}  // namespace address_test
