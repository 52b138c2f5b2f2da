// Every STS and every EXT STS value yields exactly one report of the right
// class: a first line, two explanation lines, and a result of 1 or 2.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/results.h"
#include "tests/diag/report_fixture.h"

namespace {

using diag_test::Gate;
using diag_test::Report;

bool StartsWith(const std::string &text, const std::string &head) {
    return text.compare(0, head.size(), head) == 0;
}

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

TEST(StatusSweep, EverySts) {
    const GateAccess gate = Gate("07N010:001");
    int local = 0, remote = 0, extended = 0, packet = 0;
    for (unsigned sts = 0; sts <= 0xFF; ++sts) {
        SCOPED_TRACE(Hex(sts));
        auto out = Report(ordax::kLinkOk, static_cast<std::uint8_t>(sts), 0, "Op", &gate);
        if (sts == 0) {
            EXPECT_EQ(out.result, 0);
            EXPECT_TRUE(out.lines.empty());
            continue;
        }
        ASSERT_EQ(out.lines.size(), 3u);
        const std::string &first = out.lines[0].text;
        const std::string head = "Ordax : Op, Gate Address: 07N010:001, ";
        ASSERT_TRUE(StartsWith(first, head)) << first;
        const std::string tail = first.substr(head.size());
        std::string prefix = "Ordax : \t";
        int result = 1, level = ordax::kLevelError;
        if (tail == "Local Sts Error: " + Hex(sts)) {
            ++local;
            prefix = "Ordax :\t";
            result = 2;
        } else if (tail == "Remote Sts Error: " + Hex(sts)) {
            ++remote;
        } else if (tail == "Ext Status Error: " + Hex(sts)) {
            ++extended;
        } else {
            EXPECT_EQ(tail, "Packet Status Error: " + Hex(sts));
            ++packet;
            level = ordax::kLevelDetail;
        }
        EXPECT_EQ(out.result, result);
        EXPECT_EQ(out.lines[0].level, level);
        for (int i = 1; i <= 2; ++i) {
            EXPECT_EQ(out.lines[size_t(i)].level, ordax::kLevelDetail);
            EXPECT_TRUE(StartsWith(out.lines[size_t(i)].text, prefix)) << out.lines[size_t(i)].text;
        }
        const std::string meaning = out.lines[1].text.substr(prefix.size());
        const std::string advice = out.lines[2].text.substr(prefix.size());
        EXPECT_TRUE(meaning.size() > 2 && meaning.front() == '"' && meaning.back() == '"');
        EXPECT_TRUE(advice.size() > 2 && advice.front() == '(' && advice.back() == ')');
    }
    // 0x01..0x08 local; 0x10..0xE0 in steps of 0x10 remote; 0xF0 extended; the rest packet.
    EXPECT_EQ(local, 8);
    EXPECT_EQ(remote, 14);
    EXPECT_EQ(extended, 1);
    EXPECT_EQ(packet, 255 - 8 - 14 - 1);
}

TEST(StatusSweep, EveryExtSts) {
    int notUsed = 0;
    for (unsigned ext = 0; ext <= 0xFF; ++ext) {
        SCOPED_TRACE(Hex(ext));
        auto out = Report(ordax::kLinkOk, 0xF0, static_cast<std::uint8_t>(ext), "Op", nullptr);
        EXPECT_EQ(out.result, 1);
        ASSERT_EQ(out.lines.size(), 3u);
        EXPECT_EQ(out.lines[0].text, "Ordax : Op, Ext Status Error: 0xF0");
        EXPECT_EQ(out.lines[0].level, ordax::kLevelError);
        EXPECT_EQ(out.lines[1].level, ordax::kLevelDetail);
        EXPECT_EQ(out.lines[2].level, ordax::kLevelDetail);
        if (out.lines[1].text == "Ordax : \t\"not used\"") {
            ++notUsed;
            EXPECT_EQ(out.lines[2].text, "Ordax : \t(should not occur, contact tech-support)");
        }
    }
    // 0x00 and 0x1C..0xFF have no meaning of their own.
    EXPECT_EQ(notUsed, 1 + (0x100 - 0x1C));
}

}  // namespace
