// Commands of both families against the data tables: data types, ranges, refusals.
#include <cstring>

#include "tests/plcsim/fixture.h"

namespace plcsim_test {
namespace {

using plcsim::Address;
using plcsim::FileType;

constexpr unsigned kBigFile = 60;  // 42000 words

class Commands : public SimTest {
protected:
    void SetUp() override {
        extraTables_ += ",ST60:1000";
        SimTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(p_.Open(kPlc5Ip));
        ASSERT_TRUE(s_.Open(kSlcIp));
    }
    Bytes Plc5(const Bytes &pccc) { return Ex(p_, pccc); }
    Bytes Slc(const Bytes &pccc) { return Ex(s_, pccc); }
    static Bytes Ex(IndependentClient &c, const Bytes &pccc) {
        Bytes r;
        EXPECT_TRUE(c.Exchange(pccc, r));
        return r;
    }
    IndependentClient p_, s_;
};

TEST_F(Commands, Plc5BlockWriteThenReadRoundTrips) {
    std::vector<unsigned> words;
    for (unsigned i = 0; i < 300; ++i) words.push_back(i * 7 + 1);
    Bytes r = Plc5(Plc5Write(1, 7, 100, words));
    ASSERT_EQ(ReplySts(r), 0);
    r = Plc5(Plc5Read(2, 7, 100, 300));
    ASSERT_EQ(ReplySts(r), 0);
    ASSERT_EQ(r.size(), 36u + 600u);
    for (size_t i = 0; i < 300; ++i) EXPECT_EQ(ReplyWord(r, i), words[i]) << i;
    EXPECT_EQ(plc5().GetWord(N(7, 399)), words[299]);
}

TEST_F(Commands, SlcBlockWriteThenReadRoundTrips) {
    std::vector<unsigned> words = {1, 2, 0xFFFF, 0x8000};
    ASSERT_EQ(ReplySts(Slc(SlcWrite(1, 7, 0x89, 996, words))), 0);
    Bytes r = Slc(SlcRead(2, 7, 0x89, 996, 8));
    ASSERT_EQ(ReplySts(r), 0);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(ReplyWord(r, i), words[i]);
}

TEST_F(Commands, FloatsGoHighWordFirstToAPlc5AndLowWordFirstToAnSlc) {
    ASSERT_TRUE(plc5().SetFloat({FileType::F, 8, 3}, 12.5f));
    ASSERT_TRUE(slc().SetFloat({FileType::F, 8, 3}, 12.5f));
    Bytes r = Plc5(Plc5Read(1, 8, 3, 2));  // element 3 of F8: words 6 and 7 of the file
    EXPECT_EQ(ReplyWord(r, 0), 0x4148);
    EXPECT_EQ(ReplyWord(r, 1), 0x0000);
    r = Slc(SlcRead(1, 8, 0x8A, 3, 4));
    EXPECT_EQ(ReplyWord(r, 0), 0x0000);
    EXPECT_EQ(ReplyWord(r, 1), 0x4148);
    // And a float written on the wire comes back through the API.
    ASSERT_EQ(ReplySts(Slc(SlcWrite(2, 8, 0x8A, 4, {0x0000, 0xC0A0}))), 0);
    EXPECT_EQ(slc().GetFloat({FileType::F, 8, 4}), -5.0f);
    ASSERT_EQ(ReplySts(Plc5(Plc5Write(2, 8, 4, {0xC0A0, 0x0000}))), 0);
    EXPECT_EQ(plc5().GetFloat({FileType::F, 8, 4}), -5.0f);
}

TEST_F(Commands, StringElementsHold42WordsWithTheFirstCharacterHigh) {
    ASSERT_TRUE(plc5().SetString({FileType::ST, 9, 1}, "HELLO"));
    Bytes r = Plc5(Plc5Read(1, 9, 1, 42));
    ASSERT_EQ(ReplySts(r), 0);
    EXPECT_EQ(ReplyWord(r, 0), 5);
    EXPECT_EQ(ReplyWord(r, 1), 0x4845);
    EXPECT_EQ(ReplyWord(r, 2), 0x4C4C);
    EXPECT_EQ(ReplyWord(r, 3), 0x4F00);
    std::vector<unsigned> w(42, 0);
    w[0] = 3;
    w[1] = 0x4142;
    w[2] = 0x4300;
    ASSERT_EQ(ReplySts(Slc(SlcWrite(2, 9, 0x8D, 0, w))), 0);
    EXPECT_EQ(slc().GetString({FileType::ST, 9, 0}), "ABC");
    EXPECT_FALSE(slc().SetString({FileType::ST, 9, 0}, std::string(83, 'x')));
}

TEST_F(Commands, TimerCounterControlAndPidSubElements) {
    for (FileType t : {FileType::T, FileType::C, FileType::R}) {
        int file = t == FileType::T ? 4 : t == FileType::C ? 5 : 6;
        for (int sub = 0; sub < 3; ++sub) {
            ASSERT_TRUE(plc5().SetWord({t, file, 7, sub}, static_cast<uint16_t>(100 + sub)));
            Bytes r = Plc5(Plc5Read(1, static_cast<unsigned>(file), 7, 1, sub));
            EXPECT_EQ(ReplyWord(r, 0), 100 + sub);
            uint8_t type = static_cast<uint8_t>(0x86 + (file - 4));
            ASSERT_EQ(ReplySts(Slc(SlcWrite(1, static_cast<unsigned>(file), type, 7,
                                            {static_cast<unsigned>(200 + sub)},
                                            static_cast<unsigned>(sub)))),
                      0);
            EXPECT_EQ(slc().GetWord({t, file, 7, sub}), 200 + sub);
        }
    }
    // PD: sub-element 2 and above hold floats, high word first on the PLC-5.
    ASSERT_TRUE(plc5().SetFloat({FileType::PD, 12, 1, 2}, 1.0f));
    Bytes r = Plc5(Plc5Read(2, 12, 1, 2, 2));
    EXPECT_EQ(ReplyWord(r, 0), 0x3F80);
    EXPECT_EQ(ReplyWord(r, 1), 0x0000);
    // A sub-element beyond the element's words is refused.
    r = Plc5(Plc5Read(3, 4, 0, 1, 3));
    EXPECT_EQ(ReplySts(r), 0xF0);
    EXPECT_EQ(ReplyExt(r), 0x06);
}

TEST_F(Commands, Plc5ReadModifyWriteAcceptsSeveralSets) {
    ASSERT_TRUE(plc5().SetWord(N(7, 1), 0x00FF));
    ASSERT_TRUE(plc5().SetWord(N(7, 2), 0xFF00));
    Bytes b = Head(5, 0x26);
    Plc5Addr(b, 7, 1);
    Word(b, 0x000F);
    Word(b, 0x1000);
    Plc5Addr(b, 7, 2);
    Word(b, 0xFFFF);
    Word(b, 0x0001);
    EXPECT_EQ(ReplySts(Plc5(b)), 0);
    EXPECT_EQ(plc5().GetWord(N(7, 1)), 0x100F);
    EXPECT_EQ(plc5().GetWord(N(7, 2)), 0xFF01);
    // One set outside the table: nothing is changed.
    b = Head(6, 0x26);
    Plc5Addr(b, 7, 1);
    Word(b, 0);
    Word(b, 0);
    Plc5Addr(b, 7, 5000);
    Word(b, 0);
    Word(b, 0);
    Bytes r = Plc5(b);
    EXPECT_EQ(ReplySts(r), 0xF0);
    EXPECT_EQ(plc5().GetWord(N(7, 1)), 0x100F);
}

// Each refusal, with the STS / EXT STS documented for it.
struct Refusal {
    const char *what;
    bool slc;
    Bytes pccc;
    uint8_t sts;
    uint8_t ext;
};

TEST_F(Commands, RefusalsCarryTheDocumentedStatus) {
    Bytes oddWrite = Head(1, 0x00);
    Word(oddWrite, 0);
    Word(oddWrite, 1);
    Plc5Addr(oddWrite, 7, 0);
    oddWrite.push_back(0x12);
    Bytes tooManyLevels = Plc5Read(1, 7, 0, 1);
    tooManyLevels[9] = 0x1E;
    Bytes tooFewLevels = Head(1, 0x01);
    Word(tooFewLevels, 0);
    Word(tooFewLevels, 1);
    tooFewLevels.insert(tooFewLevels.end(), {0x02, 0x07, 0x02, 0x00});
    Bytes level0 = Head(1, 0x01);
    Word(level0, 0);
    Word(level0, 1);
    level0.insert(level0.end(), {0x07, 0x01, 0x07, 0x00, 0x02, 0x00});
    Bytes overTotal = Plc5Read(1, 7, 0, 2);
    overTotal[7] = 1;  // total transaction 1, size 4 bytes
    Bytes slcTrailing = SlcRead(1, 7, 0x89, 0, 2);
    slcTrailing.push_back(0);
    Bytes slcShortData = SlcWrite(1, 7, 0x89, 0, {1, 2});
    slcShortData.pop_back();
    const Refusal cases[] = {
        {"PLC-5 command to an SLC", true, Plc5Read(1, 7, 0, 1), 0x10, 0},
        {"SLC command to a PLC-5", false, SlcRead(1, 7, 0x89, 0, 2), 0x10, 0},
        {"unknown function", false, Head(1, 0x55), 0x10, 0},
        {"CMD other than 0x0F", false, {0x06, 0x00, 0x01, 0x00, 0x03}, 0x10, 0},
        {"no function code", false, {0x0F, 0x00, 0x01, 0x00}, 0x10, 0},
        {"missing file", false, Plc5Read(1, 40, 0, 1), 0xF0, 0x06},
        {"element past the end", false, Plc5Read(1, 7, 1000, 1), 0xF0, 0x06},
        {"range past the end", false, Plc5Read(1, 7, 999, 2), 0xF0, 0x07},
        {"write past the end", false, Plc5Write(1, 31, 9, {1, 2}), 0xF0, 0x07},
        {"odd byte count", false, oddWrite, 0x10, 0},
        {"level mask above sub-element", false, tooManyLevels, 0xF0, 0x03},
        {"no element level", false, tooFewLevels, 0xF0, 0x02},
        {"level 0 not the data table", false, level0, 0xF0, 0x06},
        {"size above total transaction", false, overTotal, 0xF0, 0x0A},
        {"SLC missing file", true, SlcRead(1, 40, 0x89, 0, 2), 0xF0, 0x06},
        {"SLC file-type byte mismatch", true, SlcRead(1, 7, 0x8A, 0, 2), 0xF0, 0x11},
        {"SLC unknown file-type byte", true, SlcRead(1, 7, 0x8E, 0, 2), 0xF0, 0x11},
        {"SLC range past the end", true, SlcRead(1, 31, 0x89, 9, 4), 0xF0, 0x07},
        {"SLC zero byte size", true, SlcRead(1, 7, 0x89, 0, 0), 0x10, 0},
        {"SLC trailing bytes", true, slcTrailing, 0x10, 0},
        {"SLC data shorter than byte size", true, slcShortData, 0x10, 0},
        {"PD on an SLC (no such type)", true, SlcRead(1, 12, 0x00, 0, 2), 0xF0, 0x06},
        // Replies that would not fit a frame's 16-bit data length.
        {"read past a frame", false, Plc5Read(1, kBigFile, 0, 32764), 0xF0, 0x0A},
        {"SLC read past a frame", true, SlcRead(1, kBigFile, 0x8D, 0, 65535), 0xF0, 0x0A},
    };
    for (const Refusal &c : cases) {
        Bytes r = c.slc ? Slc(c.pccc) : Plc5(c.pccc);
        ASSERT_GE(r.size(), 36u) << c.what;
        EXPECT_EQ(r[32], static_cast<uint8_t>(c.pccc[0] | 0x40)) << c.what;
        EXPECT_EQ(ReplySts(r), c.sts) << c.what;
        if (c.sts == 0xF0) {
            ASSERT_EQ(r.size(), 37u) << c.what;
            EXPECT_EQ(ReplyExt(r), c.ext) << c.what;
        } else {
            EXPECT_EQ(r.size(), 36u) << c.what;
        }
    }
    EXPECT_EQ(plc5().GetWords(N(31, 9), 1), std::vector<uint16_t>{0});
}

TEST_F(Commands, ProgramModeRefusesWritesButNotReads) {
    plc5().SetProgramMode(true);
    slc().SetProgramMode(true);
    EXPECT_EQ(ReplySts(Plc5(Plc5Write(1, 7, 0, {5}))), 0x70);
    EXPECT_EQ(ReplySts(Plc5(Plc5Rmw(2, 7, 0, 0, 1))), 0x70);
    EXPECT_EQ(ReplySts(Slc(SlcWrite(1, 7, 0x89, 0, {5}))), 0x70);
    EXPECT_EQ(ReplySts(Slc(SlcMasked(2, 7, 0x89, 0, 1, 1))), 0x70);
    EXPECT_EQ(ReplySts(Plc5(Plc5Read(3, 7, 0, 1))), 0);
    EXPECT_EQ(plc5().GetWord(N(7, 0)), 0);
    plc5().SetProgramMode(false);
    EXPECT_EQ(ReplySts(Plc5(Plc5Write(4, 7, 0, {5}))), 0);
    EXPECT_EQ(plc5().GetWord(N(7, 0)), 5);
}

TEST_F(Commands, DataLimitRefusesOversizedRequestsOnly) {
    plc5().SetMaxDataBytes(200);
    slc().SetMaxDataBytes(200, {0xF0, 0x0A});
    EXPECT_EQ(ReplySts(Plc5(Plc5Read(1, 7, 0, 100))), 0);
    EXPECT_EQ(ReplySts(Plc5(Plc5Read(2, 7, 0, 101))), 0x10);
    std::vector<unsigned> big(101, 3);
    EXPECT_EQ(ReplySts(Plc5(Plc5Write(3, 7, 0, big))), 0x10);
    EXPECT_EQ(plc5().GetWord(N(7, 0)), 0);
    Bytes r = Slc(SlcRead(1, 7, 0x89, 0, 202));
    EXPECT_EQ(ReplySts(r), 0xF0);
    EXPECT_EQ(ReplyExt(r), 0x0A);
    plc5().SetMaxDataBytes(0);
    EXPECT_EQ(ReplySts(Plc5(Plc5Read(4, 7, 0, 101))), 0);
}

TEST_F(Commands, ForcedStatusNextAndAtAnAddress) {
    plc5().ForceStatusNext({0x50, 0});
    EXPECT_EQ(ReplySts(Plc5(Plc5Write(1, 7, 0, {9}))), 0x50);
    EXPECT_EQ(plc5().GetWord(N(7, 0)), 0);  // refused, not written
    EXPECT_EQ(ReplySts(Plc5(Plc5Write(2, 7, 0, {9}))), 0);

    slc().ForceStatusAt(N(7, 20), {0xF0, 0x1A});
    Bytes r = Slc(SlcRead(1, 7, 0x89, 20, 2));
    EXPECT_EQ(ReplySts(r), 0xF0);
    EXPECT_EQ(ReplyExt(r), 0x1A);
    r = Slc(SlcRead(2, 7, 0x89, 20, 2));
    EXPECT_EQ(ReplyExt(r), 0x1A);
    EXPECT_EQ(ReplySts(Slc(SlcRead(3, 7, 0x89, 21, 2))), 0);
    slc().ClearForcedStatus();
    EXPECT_EQ(ReplySts(Slc(SlcRead(4, 7, 0x89, 20, 2))), 0);
}

TEST_F(Commands, IoAndStatusFilesOfBothFamilies) {
    ASSERT_TRUE(plc5().SetWord({FileType::I, 1, 8}, 0x00A5));
    EXPECT_EQ(ReplyWord(Plc5(Plc5Read(1, 1, 8, 1)), 0), 0x00A5);
    ASSERT_TRUE(slc().SetWord({FileType::O, 0, 3}, 0x5A00));
    EXPECT_EQ(ReplyWord(Slc(SlcRead(1, 0, 0x8B, 3, 2)), 0), 0x5A00);
    // SLC I/O word e.s lands on word e + s.
    ASSERT_TRUE(slc().SetWord({FileType::I, 1, 4}, 0x1111));
    EXPECT_EQ(ReplyWord(Slc(SlcRead(2, 1, 0x8C, 3, 2, 1)), 0), 0x1111);
    ASSERT_EQ(ReplySts(Slc(SlcWrite(3, 2, 0x84, 10, {0x0777}))), 0);
    EXPECT_EQ(slc().GetWord({FileType::S, 2, 10}), 0x0777);
}

}  // namespace
}  // namespace plcsim_test
