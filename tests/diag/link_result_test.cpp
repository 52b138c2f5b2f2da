// First lines and results of the link results that carry no PLC status.
#include <gtest/gtest.h>

#include <string>

#include "core/results.h"
#include "diag/report.h"
#include "tests/diag/report_fixture.h"

namespace {

using diag_test::Gate;
using diag_test::Report;

struct LinkRow {
    int linkResult;
    const char *withGate;  // operation "Read Word Failed", gate "05N007:012"
    const char *withoutGate;
    int result;
};

const LinkRow kRows[] = {
    {3, "Ordax : Read Word Failed, Gate Address: 05N007:012, Parseing Error",
     "Ordax : Read Word Failed, Parseing Error", 1},
    {4, "Ordax : Read Word Failed, Gate Address: 05N007:012, Parseing Error",
     "Ordax : Read Word Failed, Parseing Error", 1},
    {5, "Ordax : Read Word Failed, Gate Address: 05N007:012, Parseing Error",
     "Ordax : Read Word Failed, Parseing Error", 1},
    {8, "Ordax : Read Word Failed, Gate Address: 05N007:012, Communications Time-out",
     "Ordax : Read Word Failed, Communications Time-out", 2},
    {9, "Ordax: Read Word Failed, Channel not Open", "Ordax: Read Word Failed, Channel not Open",
     2},
    {12, "Ordax : Read Word Failed Station not connected",
     "Ordax : Read Word Failed Station not connected", 2},
    {11,
     "Ordax : Read Word Failed, Gate Address: 05N007:012, Unknown Return Code from driver: 0x0B",
     "Ordax : Read Word Failed, Unknown Return Code from driver: 0x0B", 2},
    {0x1234,
     "Ordax : Read Word Failed, Gate Address: 05N007:012, Unknown Return Code from driver: 0x1234",
     "Ordax : Read Word Failed, Unknown Return Code from driver: 0x1234", 2},
    // Compared as unsigned: a negative result is a large unknown code, not success.
    {-1,
     "Ordax : Read Word Failed, Gate Address: 05N007:012, Unknown Return Code from driver: "
     "0xFFFFFFFF",
     "Ordax : Read Word Failed, Unknown Return Code from driver: 0xFFFFFFFF", 2},
};

// Every row, both forms: one line at level 32, no explanation, the row's result.
// A PLC status left in the record is ignored when the link result is not 0.
TEST(LinkResult, EveryRowInBothForms) {
    const GateAccess gate = Gate("05N007:012");
    for (const LinkRow &row : kRows) {
        SCOPED_TRACE(row.linkResult);
        auto withGate = Report(row.linkResult, 0xF0, 0x07, ordax::kOpReadWord, &gate);
        EXPECT_EQ(withGate.result, row.result);
        ASSERT_EQ(withGate.lines.size(), 1u);
        EXPECT_EQ(withGate.lines[0].text, row.withGate);
        EXPECT_EQ(withGate.lines[0].level, ordax::kLevelError);

        auto withoutGate = Report(row.linkResult, 0x10, 0, ordax::kOpReadWord, nullptr);
        EXPECT_EQ(withoutGate.result, row.result);
        ASSERT_EQ(withoutGate.lines.size(), 1u);
        EXPECT_EQ(withoutGate.lines[0].text, row.withoutGate);
        EXPECT_EQ(withoutGate.lines[0].level, ordax::kLevelError);
    }
}

// The other codes without a text of their own share the last row.
TEST(LinkResult, UnknownCodesShareTheLastRow) {
    for (int code : {1, 2, 6, 7, 10, 13}) {
        auto out = Report(code, 0, 0, "Op", nullptr);
        EXPECT_EQ(out.result, PDX_LINK_ERROR);
        ASSERT_EQ(out.lines.size(), 1u);
        const char digit = "0123456789ABCDEF"[code];
        EXPECT_EQ(out.lines[0].text,
                  std::string("Ordax : Op, Unknown Return Code from driver: 0x0") + digit);
    }
}

TEST(LinkResult, MasterFlagTimeoutWithoutGate) {
    auto out = Report(ordax::kLinkTimeout, 0, 0, ordax::kOpMasterFlagRead, nullptr);
    EXPECT_EQ(out.result, PDX_LINK_ERROR);
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_EQ(out.lines[0].text, "Ordax : Master Flag Read Failed, Communications Time-out");
}

TEST(LinkResult, SuccessLogsNothingForEveryCaller) {
    const GateAccess gate = Gate("05B003:010/07");
    for (const char *op : {ordax::kOpReadBit, ordax::kOpWriteString, ordax::kOpMasterFlagRead}) {
        const GateAccess *given = op == ordax::kOpMasterFlagRead ? nullptr : &gate;
        auto out = Report(ordax::kLinkOk, 0, 0, op, given);
        EXPECT_EQ(out.result, PDX_DONE);
        EXPECT_TRUE(out.lines.empty());
    }
}

// Texts from the host are arguments, never formats; null texts do not crash.
TEST(LinkResult, HostileAndMissingTexts) {
    const GateAccess percent = Gate("%s%n%x");
    auto out = Report(ordax::kLinkTimeout, 0, 0, "Op %d", &percent);
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_EQ(out.lines[0].text, "Ordax : Op %d, Gate Address: %s%n%x, Communications Time-out");

    const GateAccess unnamed = Gate(nullptr);
    out = Report(ordax::kLinkTimeout, 0, 0, nullptr, &unnamed);
    EXPECT_EQ(out.result, PDX_LINK_ERROR);
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_EQ(out.lines[0].text, "Ordax : , Gate Address: , Communications Time-out");

    out = Report(ordax::kLinkOk, 0x07, 0, nullptr, nullptr);
    EXPECT_EQ(out.result, PDX_LINK_ERROR);
    ASSERT_EQ(out.lines.size(), 3u);
    EXPECT_EQ(out.lines[0].text, "Ordax : , Local Sts Error: 0x07");
}

}  // namespace
