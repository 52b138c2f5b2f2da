// Reports of a PLC status (link result 0): first line, explanation lines,
// prefixes and results, for each status class and table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/results.h"
#include "diag/report.h"
#include "tests/diag/report_fixture.h"

namespace {

using diag_test::Gate;
using diag_test::Report;
using ordax::kLevelDetail;
using ordax::kLevelError;

const std::string kLocal = "Ordax :\t";
const std::string kPeer = "Ordax : \t";

struct StsCase {
    std::uint8_t sts;
    std::uint8_t extSts;
    const char *firstLine;  // operation "Write Bit Failed", gate "12B003:004/05"
    int level;              // of the first line
    std::string meaning;    // whole meaning line
    std::string advice;     // whole advice line
    int result;
};

const StsCase kCases[] = {
    // local table
    {0x01, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Local Sts Error: 0x01",
     kLevelError, kLocal + "\"not used\"", kLocal + "(should not occur, contact tech-support)", 2},
    {0x05, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Local Sts Error: 0x05",
     kLevelError, kLocal + "\"application layer timed out waiting for a response\"",
     kLocal + "(PLC/SLC too busy?)", 2},
    {0x07, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Local Sts Error: 0x07",
     kLevelError, kLocal + "\"station is off-line\"", kLocal + "(check PLC/SLC)", 2},
    {0x08, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Local Sts Error: 0x08",
     kLevelError, kLocal + "\"hardware fault\"", kLocal + "(check PLC/SLC)", 2},
    // remote table; a stray extSts does not matter outside 0xF0
    {0x10, 0x07, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Remote Sts Error: 0x10",
     kLevelError, kPeer + "\"illegal command or format\"",
     kPeer + "(check that valid PLC/SLC type is specified for Node)", 1},
    {0x40, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Remote Sts Error: 0x40",
     kLevelError, kPeer + "\"illegal command or format\"",
     kPeer + "(check that valid PLC/SLC type is specified for Node)", 1},
    {0x80, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Remote Sts Error: 0x80",
     kLevelError, kPeer + "\"compatibility mode file missing or communication zone problem\"",
     kPeer + "(check PLC)", 1},
    {0xB0, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Remote Sts Error: 0xB0",
     kLevelError, kPeer + "\"remote node problem due to download\"",
     kPeer + "(cannot access PLC/SLC while ladder is up/down loaded)", 1},
    {0xC0, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Remote Sts Error: 0xC0",
     kLevelError, kPeer + "\"cannot execute command due to active IPBs\"",
     kPeer + "(check PLC/SLC ladder logic)", 1},
    {0xE0, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Remote Sts Error: 0xE0",
     kLevelError, kPeer + "\"not used\"", kPeer + "(should not occur, contact tech-support)", 1},
    // extended table: the first line always prints the STS, 0xF0
    {0xF0, 0x00, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Ext Status Error: 0xF0",
     kLevelError, kPeer + "\"not used\"", kPeer + "(should not occur, contact tech-support)", 1},
    {0xF0, 0x05, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Ext Status Error: 0xF0",
     kLevelError, kPeer + "\"symbol is of inproper format\"",
     kPeer + "(should not occur, contact tech-support)", 1},
    {0xF0, 0x07, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Ext Status Error: 0xF0",
     kLevelError, kPeer + "\"file is wrong size\"",
     kPeer + "(attempt to read/write past end of file)", 1},
    {0xF0, 0x0B, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Ext Status Error: 0xF0",
     kLevelError, kPeer + "\"access denied, improper privlege\"",
     kPeer + "(should not occur, contact tech-support)", 1},
    {0xF0, 0x14, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Ext Status Error: 0xF0",
     kLevelError,
     kPeer + "\"command execution failure for unknow reason; possible PLC-3 histogram overflow\"",
     kPeer + "(should not occur, contact tech-support)", 1},
    {0xF0, 0x1B, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Ext Status Error: 0xF0",
     kLevelError, kPeer + "\"another node is the program owner\"",
     kPeer + "(PLC/SLC in program mode?)", 1},
    {0xF0, 0x1C, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Ext Status Error: 0xF0",
     kLevelError, kPeer + "\"not used\"", kPeer + "(should not occur, contact tech-support)", 1},
    // packet status: level 8 first line
    {0x09, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Packet Status Error: 0x09",
     kLevelDetail, kPeer + "\"not defined\"", kPeer + "(should not occur, contact tech-support)",
     1},
    {0x11, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Packet Status Error: 0x11",
     kLevelDetail, kPeer + "\"not defined\"", kPeer + "(should not occur, contact tech-support)",
     1},
    {0xF1, 0x07, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Packet Status Error: 0xF1",
     kLevelDetail, kPeer + "\"not defined\"", kPeer + "(should not occur, contact tech-support)",
     1},
    {0xFF, 0, "Ordax : Write Bit Failed, Gate Address: 12B003:004/05, Packet Status Error: 0xFF",
     kLevelDetail, kPeer + "\"not defined\"", kPeer + "(should not occur, contact tech-support)",
     1},
};

TEST(StsReport, SamplesOfEveryTable) {
    const GateAccess gate = Gate("12B003:004/05");
    for (const StsCase &c : kCases) {
        SCOPED_TRACE(testing::Message() << "sts " << int(c.sts) << " ext " << int(c.extSts));
        auto out = Report(ordax::kLinkOk, c.sts, c.extSts, ordax::kOpWriteBit, &gate);
        EXPECT_EQ(out.result, c.result);
        ASSERT_EQ(out.lines.size(), 3u);
        EXPECT_EQ(out.lines[0].text, c.firstLine);
        EXPECT_EQ(out.lines[0].level, c.level);
        EXPECT_EQ(out.lines[1].text, c.meaning);
        EXPECT_EQ(out.lines[1].level, kLevelDetail);
        EXPECT_EQ(out.lines[2].text, c.advice);
        EXPECT_EQ(out.lines[2].level, kLevelDetail);
    }
}

// The short form of each status class, as the master-flag check logs it.
TEST(StsReport, ShortFormsWithoutGate) {
    struct Row {
        std::uint8_t sts;
        const char *firstLine;
        int level;
    };
    const Row rows[] = {
        {0x07, "Ordax : Master Flag Read Failed, Local Sts Error: 0x07", kLevelError},
        {0x50, "Ordax : Master Flag Read Failed, Remote Sts Error: 0x50", kLevelError},
        {0xF0, "Ordax : Master Flag Read Failed, Ext Status Error: 0xF0", kLevelError},
        {0x0F, "Ordax : Master Flag Read Failed, Packet Status Error: 0x0F", kLevelDetail},
    };
    for (const Row &row : rows) {
        auto out = Report(ordax::kLinkOk, row.sts, 0x10, ordax::kOpMasterFlagRead, nullptr);
        ASSERT_EQ(out.lines.size(), 3u);
        EXPECT_EQ(out.lines[0].text, row.firstLine);
        EXPECT_EQ(out.lines[0].level, row.level);
    }
}

TEST(StsReport, ReadWordStationOffLine) {
    const GateAccess gate = Gate("05N007:012");
    auto out = Report(ordax::kLinkOk, 0x07, 0, ordax::kOpReadWord, &gate);
    EXPECT_EQ(out.result, PDX_LINK_ERROR);
    ASSERT_EQ(out.lines.size(), 3u);
    EXPECT_EQ(out.lines[0].text,
              "Ordax : Read Word Failed, Gate Address: 05N007:012, Local Sts Error: 0x07");
    EXPECT_EQ(out.lines[1].text, "Ordax :\t\"station is off-line\"");
    EXPECT_EQ(out.lines[2].text, "Ordax :\t(check PLC/SLC)");
}

}  // namespace
