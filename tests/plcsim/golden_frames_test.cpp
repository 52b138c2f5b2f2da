// The byte-exact request frames of the protocol description, fed over a raw loopback client:
// the simulator must decode each field and answer with the exact reply frame.
#include "tests/plcsim/fixture.h"

namespace plcsim_test {
namespace {

using plcsim::FileType;

class GoldenFrames : public SimTest {
protected:
    // Header of a request with the client's session and the given context bytes.
    Bytes Header(IndependentClient &c, uint16_t dataLength, uint8_t ctxHi, uint8_t ctxLo) {
        const uint8_t *s = c.session();
        Bytes h = {0x01,
                   0x07,
                   static_cast<uint8_t>(dataLength >> 8),
                   static_cast<uint8_t>(dataLength),
                   s[0],
                   s[1],
                   s[2],
                   s[3],
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   ctxHi,
                   ctxLo};
        h.resize(28, 0);
        h.insert(h.end(), {0x00, 0x05, 0x00, 0x00});
        return h;
    }
    Bytes Frame(IndependentClient &c, uint8_t ctxHi, uint8_t ctxLo, const Bytes &pccc) {
        Bytes f = Header(c, static_cast<uint16_t>(4 + pccc.size()), ctxHi, ctxLo);
        f.insert(f.end(), pccc.begin(), pccc.end());
        return f;
    }
    // Expected reply: mode 2, command 7, session and context echoed, prefix, PCCC reply.
    Bytes Reply(IndependentClient &c, uint8_t ctxHi, uint8_t ctxLo, const Bytes &pccc) {
        Bytes f = Frame(c, ctxHi, ctxLo, pccc);
        f[0] = 0x02;
        return f;
    }
    Bytes Send(IndependentClient &c, const Bytes &frame) {
        Bytes r;
        EXPECT_TRUE(c.Send(frame));
        EXPECT_TRUE(c.ReadFrame(r));
        return r;
    }
};

TEST_F(GoldenFrames, Plc5WordRangeReadOfN7_10) {
    ASSERT_TRUE(plc5().SetWord(N(7, 10), 0xBEEF));
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    Bytes pccc = {0x0F, 0x00, 0x02, 0x01, 0x01, 0x00, 0x00,
                  0x01, 0x00, 0x06, 0x07, 0x0A, 0x02, 0x00};
    Bytes frame = Frame(c, 0x01, 0x02, pccc);
    ASSERT_EQ(frame.size(), 46u);
    EXPECT_EQ(frame[3], 0x12);
    Bytes r = Send(c, frame);
    EXPECT_EQ(r, Reply(c, 0x01, 0x02, {0x4F, 0x00, 0x02, 0x01, 0xEF, 0xBE}));

    auto rec = plc5().LastRequest();
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->raw, frame);
    const plcsim::DecodedRequest &d = rec->decoded;
    EXPECT_EQ(d.mode, 1);
    EXPECT_EQ(d.command, 7);
    EXPECT_EQ(d.dataLength, 0x12);
    EXPECT_EQ(d.context, 0x0102u);
    EXPECT_EQ(d.cmd, 0x0F);
    EXPECT_EQ(d.tns, 0x0102);
    EXPECT_EQ(d.fnc, 0x01);
    EXPECT_EQ(d.commandName, "word range read");
    EXPECT_EQ(d.levelMask, 0x06);
    EXPECT_EQ(d.fileNumber, 7);
    EXPECT_EQ(d.element, 10);
    EXPECT_EQ(d.subElement, -1);
    EXPECT_EQ(d.packetOffset, 0);
    EXPECT_EQ(d.totalTransaction, 1);
    EXPECT_EQ(d.byteSize, 2);
    EXPECT_EQ(d.sizeFieldBytes, 2);
    EXPECT_EQ(rec->reply, r);
}

TEST_F(GoldenFrames, SlcTypedReadOfN7_10) {
    ASSERT_TRUE(slc().SetWord(N(7, 10), 0x1234));
    IndependentClient c;
    ASSERT_TRUE(c.Open(kSlcIp));
    Bytes pccc = {0x0F, 0x00, 0x02, 0x01, 0xA2, 0x02, 0x07, 0x89, 0x0A, 0x00};
    Bytes frame = Frame(c, 0x01, 0x02, pccc);
    ASSERT_EQ(frame.size(), 42u);
    Bytes r = Send(c, frame);
    EXPECT_EQ(r, Reply(c, 0x01, 0x02, {0x4F, 0x00, 0x02, 0x01, 0x34, 0x12}));
    auto d = slc().LastRequest()->decoded;
    EXPECT_EQ(d.dataLength, 0x0E);
    EXPECT_EQ(d.slcFileType, 0x89);
    EXPECT_EQ(d.fileNumber, 7);
    EXPECT_EQ(d.element, 10);
    EXPECT_EQ(d.subElement, 0);
    EXPECT_EQ(d.byteSize, 2);
}

TEST_F(GoldenFrames, Plc5ReadModifyWriteSetsAndClearsBit3OfB3_5) {
    ASSERT_TRUE(plc5().SetWord({FileType::B, 3, 5}, 0x0101));
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    Bytes set = {0x0F, 0x00, 0x07, 0x00, 0x26, 0x06, 0x03, 0x05, 0xF7, 0xFF, 0x08, 0x00};
    Bytes r = Send(c, Frame(c, 0x00, 0x07, set));
    EXPECT_EQ(r, Reply(c, 0x00, 0x07, {0x4F, 0x00, 0x07, 0x00}));
    EXPECT_EQ(plc5().GetWord({FileType::B, 3, 5}), 0x0109);
    auto d = plc5().LastRequest()->decoded;
    EXPECT_EQ(d.dataLength, 0x10);
    EXPECT_EQ(d.andMask, 0xFFF7);
    EXPECT_EQ(d.orMask, 0x0008);

    Bytes clear = {0x0F, 0x00, 0x08, 0x00, 0x26, 0x06, 0x03, 0x05, 0xF7, 0xFF, 0x00, 0x00};
    Send(c, Frame(c, 0x00, 0x08, clear));
    EXPECT_EQ(plc5().GetWord({FileType::B, 3, 5}), 0x0101);
}

TEST_F(GoldenFrames, SlcMaskedWriteSetsAndClearsBit3OfB3_5) {
    ASSERT_TRUE(slc().SetWord({FileType::B, 3, 5}, 0x8001));
    IndependentClient c;
    ASSERT_TRUE(c.Open(kSlcIp));
    Bytes set = {0x0F, 0x00, 0x07, 0x00, 0xAB, 0x02, 0x03,
                 0x85, 0x05, 0x00, 0x08, 0x00, 0x08, 0x00};
    Bytes r = Send(c, Frame(c, 0x00, 0x07, set));
    EXPECT_EQ(r, Reply(c, 0x00, 0x07, {0x4F, 0x00, 0x07, 0x00}));
    EXPECT_EQ(slc().GetWord({FileType::B, 3, 5}), 0x8009);
    Bytes clear = {0x0F, 0x00, 0x08, 0x00, 0xAB, 0x02, 0x03,
                   0x85, 0x05, 0x00, 0x08, 0x00, 0x00, 0x00};
    Send(c, Frame(c, 0x00, 0x08, clear));
    EXPECT_EQ(slc().GetWord({FileType::B, 3, 5}), 0x8001);
    EXPECT_EQ(slc().LastRequest()->decoded.andMask, 0x0008);
}

TEST_F(GoldenFrames, WriteWordsToN7_300WithTheEscapedElement) {
    IndependentClient p, s;
    ASSERT_TRUE(p.Open(kPlc5Ip));
    ASSERT_TRUE(s.Open(kSlcIp));
    Bytes plc5Write = {0x0F, 0x00, 0x09, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00,
                       0x06, 0x07, 0xFF, 0x2C, 0x01, 0x34, 0x12, 0xCD, 0xAB};
    Bytes slcWrite = {0x0F, 0x00, 0x09, 0x00, 0xAA, 0x04, 0x07, 0x89,
                      0xFF, 0x2C, 0x01, 0x00, 0x34, 0x12, 0xCD, 0xAB};
    EXPECT_EQ(Send(p, Frame(p, 0, 9, plc5Write)), Reply(p, 0, 9, {0x4F, 0x00, 0x09, 0x00}));
    EXPECT_EQ(Send(s, Frame(s, 0, 9, slcWrite)), Reply(s, 0, 9, {0x4F, 0x00, 0x09, 0x00}));
    std::vector<uint16_t> expected = {0x1234, 0xABCD};
    EXPECT_EQ(plc5().GetWords(N(7, 300), 2), expected);
    EXPECT_EQ(slc().GetWords(N(7, 300), 2), expected);
    EXPECT_EQ(plc5().LastRequest()->decoded.element, 300);
    EXPECT_EQ(plc5().LastRequest()->decoded.words, expected);
    EXPECT_EQ(slc().LastRequest()->decoded.element, 300);
}

TEST_F(GoldenFrames, TimerSubElementAddressesOfBothFamilies) {
    ASSERT_TRUE(plc5().SetWord({FileType::T, 4, 2, 1}, 500));
    ASSERT_TRUE(slc().SetWord({FileType::T, 4, 2, 1}, 600));
    IndependentClient p, s;
    ASSERT_TRUE(p.Open(kPlc5Ip));
    ASSERT_TRUE(s.Open(kSlcIp));
    Bytes plc5Read = {0x0F, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x01,
                      0x00, 0x0E, 0x04, 0x02, 0x01, 0x02, 0x00};
    Bytes slcRead = {0x0F, 0x00, 0x03, 0x00, 0xA2, 0x02, 0x04, 0x86, 0x02, 0x01};
    EXPECT_EQ(Send(p, Frame(p, 0, 3, plc5Read)),
              Reply(p, 0, 3, {0x4F, 0x00, 0x03, 0x00, 0xF4, 0x01}));
    EXPECT_EQ(Send(s, Frame(s, 0, 3, slcRead)),
              Reply(s, 0, 3, {0x4F, 0x00, 0x03, 0x00, 0x58, 0x02}));
    EXPECT_EQ(plc5().LastRequest()->decoded.levelMask, 0x0E);
    EXPECT_EQ(plc5().LastRequest()->decoded.subElement, 1);
}

TEST_F(GoldenFrames, SizeFormsAroundTheEscape) {
    IndependentClient p, s;
    ASSERT_TRUE(p.Open(kPlc5Ip));
    ASSERT_TRUE(s.Open(kSlcIp));
    // 127 words: byte size 254 in the short forms.
    Bytes r =
        Send(p, Frame(p, 0, 1, {0x0F, 0, 1, 0, 0x01, 0, 0, 127, 0, 0x06, 0x07, 0x00, 0xFE, 0x00}));
    EXPECT_EQ(r.size(), 36u + 254u);
    r = Send(s, Frame(s, 0, 1, {0x0F, 0, 1, 0, 0xA2, 0xFE, 0x07, 0x89, 0x00, 0x00}));
    EXPECT_EQ(r.size(), 36u + 254u);
    // 128 words: FF 00 01 in both families.
    r = Send(
        p, Frame(p, 0, 2, {0x0F, 0, 2, 0, 0x01, 0, 0, 128, 0, 0x06, 0x07, 0x00, 0xFF, 0x00, 0x01}));
    EXPECT_EQ(r.size(), 36u + 256u);
    EXPECT_EQ(plc5().LastRequest()->decoded.sizeFieldBytes, 3);
    r = Send(s, Frame(s, 0, 2, {0x0F, 0, 2, 0, 0xA2, 0xFF, 0x00, 0x01, 0x07, 0x89, 0x00, 0x00}));
    EXPECT_EQ(r.size(), 36u + 256u);
    EXPECT_EQ(slc().LastRequest()->decoded.byteSize, 256);
}

TEST_F(GoldenFrames, PublishedOneByteSizeFieldIsAcceptedToo) {
    ASSERT_TRUE(plc5().SetWord(N(7, 10), 0x0A0B));
    IndependentClient p;
    ASSERT_TRUE(p.Open(kPlc5Ip));
    Bytes r = Send(p, Frame(p, 0, 4, {0x0F, 0, 4, 0, 0x01, 0, 0, 1, 0, 0x06, 0x07, 0x0A, 0x02}));
    EXPECT_EQ(r, Reply(p, 0, 4, {0x4F, 0x00, 0x04, 0x00, 0x0B, 0x0A}));
    EXPECT_EQ(plc5().LastRequest()->decoded.sizeFieldBytes, 1);
}

TEST_F(GoldenFrames, FileNumbers254And255) {
    ASSERT_TRUE(plc5().SetWord(N(255, 3), 77));
    IndependentClient p;
    ASSERT_TRUE(p.Open(kPlc5Ip));
    Bytes r =
        Send(p, Frame(p, 0, 5,
                      {0x0F, 0, 5, 0, 0x01, 0, 0, 1, 0, 0x06, 0xFF, 0xFF, 0x00, 0x03, 0x02, 0x00}));
    EXPECT_EQ(r, Reply(p, 0, 5, {0x4F, 0x00, 0x05, 0x00, 77, 0}));
    // File 254 (a single byte FE) does not exist by default.
    r = Send(p, Frame(p, 0, 6, {0x0F, 0, 6, 0, 0x01, 0, 0, 1, 0, 0x06, 0xFE, 0x03, 0x02, 0x00}));
    EXPECT_EQ(r, Reply(p, 0, 6, {0x4F, 0xF0, 0x06, 0x00, 0x06}));
}

}  // namespace
}  // namespace plcsim_test
