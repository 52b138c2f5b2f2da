// String gate delivery: after an N-file block read through command 6, the
// X and Y texts the block covers reach their string gates through the
// host's Tam5PutGateStr, newest definition first; nothing else does.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/access/access_fixture.h"

namespace accesstest {
namespace {

using plcsim::FileType;
using Words = std::vector<std::uint16_t>;

struct Delivery {
    int client;
    int gateId;
    std::string text;
    bool operator==(const Delivery &) const = default;
};

void PrintTo(const Delivery &d, std::ostream *os) {
    *os << "{" << d.client << ", " << d.gateId << ", \"" << d.text << "\"}";
}

class DeliveryTest : public AccessTest {
protected:
    void SetUp() override {
        AccessTest::SetUp();
        if (HasFatalFailure()) return;  // the channel's set-up said why
        TamHubSetGateSink(&DeliveryTest::Sink, this);
        // N7:0..99: two letters a word; N7:10..12 hold the bytes e H l l blank o.
        for (int i = 0; i < 100; ++i) {
            words_.push_back(static_cast<std::uint16_t>((0x41 + i % 26) | (0x61 + i % 26) << 8));
        }
        words_[10] = 0x4865;
        words_[11] = 0x6C6C;
        words_[12] = 0x6F20;
        ASSERT_TRUE(Plc5().SetWords({FileType::N, 7, 0}, words_));
    }

    // The text of `length` characters at `element` as the PLC holds it,
    // two a word, the first in the low byte (X) or the high byte (Y).
    std::string TextAt(int element, int length, bool highFirst) const {
        std::string text;
        for (int i = 0; i < length; ++i) {
            const std::uint16_t w = words_[static_cast<std::size_t>(element + i / 2)];
            text.push_back(static_cast<char>((i % 2 == 0) == highFirst ? w >> 8 : w & 0xFF));
        }
        return text;
    }
    int Client() { return Ctx().clientId & 0xFF; }

    static void Sink(void *user, int client, int gateId, const char *text) {
        static_cast<DeliveryTest *>(user)->delivered_.push_back({client, gateId, text});
    }

    Words words_;
    std::vector<Delivery> delivered_;
};

// One string gate and what each of two block reads of N7 on station 5
// (elements 0-99 and 10-99) hands it.
struct DefinitionCase {
    int gateId;
    const char *address;
    std::optional<std::string> fromWholeBlock;
    std::optional<std::string> fromTailBlock;
};

TEST_F(DeliveryTest, CoveredTextsOfEachBlockNewestFirst) {
    const std::string hello = "Hello";
    const DefinitionCase cases[] = {
        {10, "05Y00701005", hello, hello},
        {11, "05X00701005", "eHll ", "eHll "},
        {12, "05X00709020", std::nullopt, std::nullopt},  // 20 elements from 90 pass 99
        {13, "05X00708020", TextAt(80, 20, false), TextAt(80, 20, false)},
        {14, "05X00709010", TextAt(90, 10, false), TextAt(90, 10, false)},  // ends at 99
        {15, "05X00709011", std::nullopt, std::nullopt},
        {16, "04X00701005", std::nullopt, std::nullopt},  // other station
        {17, "05X00801005", std::nullopt, std::nullopt},  // other file
        {18, "05X00710000", "", ""},                      // empty text just past the block
        {19, "05X00710100", std::nullopt, std::nullopt},
        {20, "05Y00700099", TextAt(0, 81, true), std::nullopt},  // cut to 81 characters
        {21, "05X00700904", TextAt(9, 4, false), std::nullopt},  // starts before the tail
        {10, "05Y00701005", hello, hello},                       // the first gate, parsed again
    };
    for (const DefinitionCase &c : cases) {
        ASSERT_EQ(Parse(c.address, PDX_GATE_STRING, 0, c.gateId)->parsed, PDX_DONE) << c.address;
    }
    struct Block {
        const char *address;
        int count;
        std::optional<std::string> DefinitionCase::*text;
    };
    for (const Block &block : {Block{"05N007000", 100, &DefinitionCase::fromWholeBlock},
                               Block{"05N007010", 90, &DefinitionCase::fromTailBlock}}) {
        SCOPED_TRACE(block.address);
        delivered_.clear();
        auto gate = Parse(block.address, 1, block.count);
        ASSERT_EQ(gate->parsed, PDX_DONE);

        EXPECT_EQ(Call(PDX_READ_BLOCK, *gate), PDX_DONE);

        std::vector<Delivery> expected;
        for (auto c = std::rbegin(cases); c != std::rend(cases); ++c) {
            if (const auto &text = (*c).*(block.text))
                expected.push_back({Client(), c->gateId, *text});
        }
        EXPECT_EQ(delivered_, expected);
        EXPECT_EQ(Ctx().stringBuffer[81], 0);
    }
    EXPECT_TRUE(Messages().empty());
}

// Reads of one value, of other file types, and failed reads deliver nothing.
TEST_F(DeliveryTest, NothingWithoutASuccessfulNFileBlockOfSeveralValues) {
    ASSERT_EQ(Parse("05X00701004", PDX_GATE_STRING, 0, 30)->parsed, PDX_DONE);
    ASSERT_EQ(Parse("05X00300004", PDX_GATE_STRING, 0, 31)->parsed, PDX_DONE);
    struct Read {
        const char *name;
        const char *address;
        int command;
        int count;
        bool fails;
        int result;
    };
    const Read reads[] = {
        {"WordThroughCommand5", "05N007010", PDX_READ_GATE, 100, false, PDX_DONE},
        {"OneValueThroughCommand6", "05N007010", PDX_READ_BLOCK, 1, false, PDX_DONE},
        {"BitFileBlock", "05B003000", PDX_READ_BLOCK, 100, false, PDX_DONE},
        {"RefusedBlock", "05N007000", PDX_READ_BLOCK, 100, true, PDX_REQUEST_ERROR},
    };
    for (const Read &r : reads) {
        SCOPED_TRACE(r.name);
        auto gate = Parse(r.address, 1);
        ASSERT_EQ(gate->parsed, PDX_DONE);
        gate->Access(r.count);
        if (r.fails) Plc5().ForceStatusNext({0x10, 0});
        EXPECT_EQ(Call(r.command, *gate), r.result);
    }
    EXPECT_TRUE(delivered_.empty());
}

// A refused delivery is logged with the host's code; the others still go
// out and the read itself succeeds.
TEST_F(DeliveryTest, FailingHostCallIsLoggedAndTheWalkGoesOn) {
    ASSERT_EQ(Parse("05Y00701005", PDX_GATE_STRING, 0, 40)->parsed, PDX_DONE);
    ASSERT_EQ(Parse("05X00702004", PDX_GATE_STRING, 0, 41)->parsed, PDX_DONE);
    auto gate = Parse("05N007000", 1, 100);
    ASSERT_EQ(gate->parsed, PDX_DONE);
    TamHubSetPutGateResult(-3);

    EXPECT_EQ(Call(PDX_READ_BLOCK, *gate), PDX_DONE);

    EXPECT_EQ(gate->Word(10), words_[10]);
    const std::vector<std::string> expected = {M(32, "Halvik: Error -3 on call to Tam5PutGateStr"),
                                               M(32, "Halvik: Error -3 on call to Tam5PutGateStr")};
    EXPECT_EQ(Messages(), expected);
    EXPECT_TRUE(delivered_.empty());

    TamHubSetPutGateResult(0);
    gate->Access(100);
    EXPECT_EQ(Call(PDX_READ_BLOCK, *gate), PDX_DONE);
    const std::vector<Delivery> both = {{Client(), 41, TextAt(20, 4, false)},
                                        {Client(), 40, "Hello"}};
    EXPECT_EQ(delivered_, both);
}

}  // namespace
}  // namespace accesstest
