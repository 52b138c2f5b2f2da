// Request frames byte for byte, TNS advance and wrap, refusals.
#include <gtest/gtest.h>

#include "link/encap.h"
#include "testkit/messages.h"
#include "tests/link/link_fixture.h"

namespace {

using namespace ordax;
using linktest::Bytes;
using linktest::Hex;

class Encode : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = linktest::NewContext();
        plc5_ = &linktest::Configure(*ctx_, 1, kPlc5);
        slc_ = &linktest::Configure(*ctx_, 2, kSlc5);
        const std::uint8_t session[4] = {0xA1, 0xB2, 0xC3, 0xD4};
        std::memcpy(plc5_->session, session, 4);
        std::memcpy(slc_->session, session, 4);
    }
    Transaction Txn(int station, std::int32_t function, std::int32_t fileType, std::uint16_t file,
                    std::uint16_t element, std::uint16_t count = 1) {
        return linktest::MakeTxn(station, function, fileType, file, element, count);
    }
    int Build(Transaction &t, const char *gateName = nullptr) {
        return BuildPcccRequest(*ctx_, t, gateName, kStationLockHeld);
    }
    std::unique_ptr<DriverContext> ctx_;
    StationEntry *plc5_ = nullptr;
    StationEntry *slc_ = nullptr;
};

TEST_F(Encode, Plc5SingleWordReadIsTheWholeFrame) {
    plc5_->tns = 0x0101;
    Transaction t = Txn(1, ReadSingleWord, kFileN, 7, 10);
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(t.frameLength, 46);
    EXPECT_EQ(Hex(linktest::FrameBytes(t)),
              "01 07 00 12 A1 B2 C3 D4 00 00 00 00 00 00 01 02 "
              "00 00 00 00 00 00 00 00 00 00 00 00 "
              "00 05 00 00 "
              "0F 00 02 01 01 00 00 01 00 06 07 0A 02 00");
    EXPECT_EQ(plc5_->tns, 0x0102);
}

TEST_F(Encode, SlcSingleWordRead) {
    slc_->tns = 0x0101;
    Transaction t = Txn(2, ReadSingleWord, kFileN, 7, 10);
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(t.frameLength, 42);
    EXPECT_EQ(t.frame[2], 0x00);
    EXPECT_EQ(t.frame[3], 0x0E);
    EXPECT_EQ(Hex(linktest::PcccBytes(t)), "0F 00 02 01 A2 02 07 89 0A 00");
}

TEST_F(Encode, ReadKindsProduceTheSameRequest) {
    Transaction a = Txn(1, ReadSingleWord, kFileN, 7, 10, 3);
    Transaction b = Txn(1, ReadWords, kFileN, 7, 10, 3);
    ASSERT_EQ(Build(a), kLinkOk);
    plc5_->tns = static_cast<std::uint16_t>(plc5_->tns - 1);
    ASSERT_EQ(Build(b), kLinkOk);
    EXPECT_EQ(linktest::FrameBytes(a), linktest::FrameBytes(b));
}

TEST_F(Encode, BitWritesSetAndClear) {
    plc5_->tns = 6;
    slc_->tns = 6;
    Transaction t = Txn(1, WriteBit, kFileB, 3, 5);
    t.bit = 3;
    t.data[0] = 1;
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(t)), "0F 00 07 00 26 06 03 05 F7 FF 08 00");
    EXPECT_EQ(t.frame[3], 0x10);
    t.data[0] = 0;
    plc5_->tns = 6;
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(t)), "0F 00 07 00 26 06 03 05 F7 FF 00 00");

    Transaction s = Txn(2, WriteBit, kFileB, 3, 5);
    s.bit = 3;
    s.data[0] = 0x8000;  // any non-zero value sets the bit
    ASSERT_EQ(Build(s), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(s)), "0F 00 07 00 AB 02 03 85 05 00 08 00 08 00");
    EXPECT_EQ(s.frame[3], 0x12);
    s.data[0] = 0;
    slc_->tns = 6;
    ASSERT_EQ(Build(s), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(s)), "0F 00 07 00 AB 02 03 85 05 00 08 00 00 00");
}

TEST_F(Encode, BitNumberOutsideTheWordWritesEmptyMasks) {
    Transaction t = Txn(1, WriteBit, kFileB, 3, 5);
    t.bit = 200;
    t.data[0] = 1;
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(t)), "0F 00 01 00 26 06 03 05 FF FF 00 00");
}

TEST_F(Encode, WordWritesWithLongElement) {
    Transaction t = Txn(1, WriteWords, kFileN, 7, 300, 2);
    t.data[0] = 0x1234;
    t.data[1] = 0xABCD;
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(t)), "0F 00 01 00 00 00 00 02 00 06 07 FF 2C 01 34 12 CD AB");
    EXPECT_EQ(t.frameLength, 32 + 18);

    Transaction s = Txn(2, WriteWords, kFileN, 7, 300, 2);
    s.data[0] = 0x1234;
    s.data[1] = 0xABCD;
    ASSERT_EQ(Build(s), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(s)), "0F 00 01 00 AA 04 07 89 FF 2C 01 00 34 12 CD AB");
    EXPECT_EQ(s.frameLength, 32 + 16);
}

TEST_F(Encode, SizeFieldShortAndLongForms) {
    Transaction t = Txn(1, ReadWords, kFileN, 7, 0, 127);  // 254 bytes: short
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(t)), "0F 00 01 00 01 00 00 7F 00 06 07 00 FE 00");
    t.count = 128;  // 256 bytes: long
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(t)), "0F 00 02 00 01 00 00 80 00 06 07 00 FF 00 01");

    Transaction s = Txn(2, ReadWords, kFileN, 7, 0, 127);
    ASSERT_EQ(Build(s), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(s)), "0F 00 01 00 A2 FE 07 89 00 00");
    s.count = 128;
    ASSERT_EQ(Build(s), kLinkOk);
    EXPECT_EQ(Hex(linktest::PcccBytes(s)), "0F 00 02 00 A2 FF 00 01 07 89 00 00");
}

TEST_F(Encode, CompactNumbersAtTheirEdge) {
    Bytes buf(16);
    ByteCursor c = MakeCursor(buf.data(), buf.size());
    Transaction t = Txn(1, ReadWords, kFileN, 255, 254);
    EXPECT_EQ(EncodePlc5Address(c, t), 5);
    EXPECT_EQ(Hex(Bytes(buf.begin(), buf.begin() + 5)), "06 FF FF 00 FE");
    c = MakeCursor(buf.data(), buf.size());
    t.fileNumber = 254;
    t.element = 0xFFFF;
    EXPECT_EQ(EncodePlc5Address(c, t), 5);
    EXPECT_EQ(Hex(Bytes(buf.begin(), buf.begin() + 5)), "06 FE FF FF FF");
}

TEST_F(Encode, SubElementLevelOnlyForTimerCounterControlPid) {
    Bytes buf(16);
    for (std::int32_t type = 0; type <= 14; ++type) {
        ByteCursor c = MakeCursor(buf.data(), buf.size());
        Transaction t = Txn(1, ReadWords, type, 4, 2);
        t.subElement = 1;
        const bool sub = type == kFileT || type == kFileC || type == kFileR || type == kFileP;
        EXPECT_EQ(EncodePlc5Address(c, t), sub ? 4 : 3) << "type " << type;
        EXPECT_EQ(buf[0], sub ? 0x0E : 0x06) << "type " << type;
    }
    ByteCursor c = MakeCursor(buf.data(), buf.size());
    Transaction timer = Txn(1, ReadWords, kFileT, 4, 2);
    timer.subElement = 1;
    ASSERT_EQ(EncodePlc5Address(c, timer), 4);
    EXPECT_EQ(Hex(Bytes(buf.begin(), buf.begin() + 4)), "0E 04 02 01");
    c = MakeCursor(buf.data(), buf.size());
    ASSERT_EQ(EncodeSlcAddress(c, timer), 4);
    EXPECT_EQ(Hex(Bytes(buf.begin(), buf.begin() + 4)), "04 86 02 01");
}

TEST_F(Encode, SlcFileTypeBytesAndRefusals) {
    const int expected[] = {0x8B, 0x8C, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
                            0x8A, 0x8E, -1,   0x8D, -1,   0x89, 0x89};
    Bytes buf(16);
    for (std::int32_t type = 0; type <= 14; ++type) {
        ByteCursor c = MakeCursor(buf.data(), buf.size());
        Transaction t = Txn(2, ReadWords, type, 300, 5);
        int n = EncodeSlcAddress(c, t);
        if (expected[type] < 0) {
            EXPECT_EQ(n, -1) << "type " << type;
        } else {
            ASSERT_EQ(n, 6) << "type " << type;
            EXPECT_EQ(buf[3], expected[type]) << "type " << type;
        }
    }
    for (std::int32_t type : {-1, 15, 1000}) {
        ByteCursor c = MakeCursor(buf.data(), buf.size());
        Transaction t = Txn(2, ReadWords, type, 1, 5);
        EXPECT_EQ(EncodeSlcAddress(c, t), -1) << "type " << type;
    }
}

TEST_F(Encode, TnsRunsFromOneAndWrapsPastZero) {
    Transaction t = Txn(1, ReadWords, kFileN, 7, 0);
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(plc5_->tns, 1);
    EXPECT_EQ(Hex(Bytes(t.frame + 12, t.frame + 16)), "00 00 00 01");
    plc5_->tns = 0xFFFE;
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(Hex(Bytes(t.frame + 12, t.frame + 16)), "00 00 FF FF");
    EXPECT_EQ(Hex(Bytes(t.frame + 34, t.frame + 36)), "FF FF");
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(plc5_->tns, 1);
    EXPECT_EQ(Hex(Bytes(t.frame + 12, t.frame + 16)), "00 00 00 01");
    EXPECT_EQ(Hex(Bytes(t.frame + 34, t.frame + 36)), "01 00");
    EXPECT_EQ(slc_->tns, 0) << "each station has its own counter";
}

TEST_F(Encode, SessionHandleCarriedUnchanged) {
    const std::uint8_t odd[4] = {0x00, 0xFF, 0x01, 0x80};
    std::memcpy(slc_->session, odd, 4);
    Transaction t = Txn(2, WriteWords, kFileN, 7, 1, 1);
    ASSERT_EQ(Build(t), kLinkOk);
    EXPECT_EQ(Hex(Bytes(t.frame + 4, t.frame + 8)), "00 FF 01 80");
    EXPECT_EQ(Hex(Bytes(t.frame + 28, t.frame + 32)), "00 05 00 00");
}

TEST_F(Encode, RefusalsLogWithGateAndKeepTnsWhereTheyShould) {
    ordax_test::MessageCapture log;
    GateAccess gate = linktest::Gate("01N00700010");
    plc5_->tns = 40;
    Transaction t = Txn(1, 0, kFileN, 7, 10);
    t.frameLength = -7;
    EXPECT_EQ(Build(t, gate.addressText), kLinkBadFunction);
    t.function = 5;
    EXPECT_EQ(Build(t, gate.addressText), kLinkBadFunction);
    EXPECT_EQ(plc5_->tns, 40);
    EXPECT_EQ(t.frameLength, -7);
    EXPECT_TRUE(log.Has("Ordax: Request with invalid Function type, Gate Address: 01N00700010", 8));

    linktest::Configure(*ctx_, 3, 3);
    ctx_->stations[3].tns = 9;
    Transaction w = Txn(3, WriteWords, kFileN, 7, 10);
    EXPECT_EQ(Build(w, gate.addressText), kLinkBadPlcType);
    EXPECT_TRUE(log.Has("Ordax: Request with invalid PLC type, Gate Address 01N00700010", 8));
    Transaction r = Txn(4, ReadWords, kFileN, 7, 10);  // plcType 0
    EXPECT_EQ(Build(r, gate.addressText), kLinkBadPlcType);
    EXPECT_TRUE(log.Has("Ordax: Request with invalid PLC type, Gate Address: 01N00700010", 8));
    EXPECT_EQ(ctx_->stations[3].tns, 9);
    EXPECT_EQ(ctx_->stations[4].tns, 0);

    slc_->tns = 70;
    Transaction p = Txn(2, ReadWords, kFileP, 9, 0);
    EXPECT_EQ(Build(p, gate.addressText), kLinkBadFileType);
    EXPECT_EQ(slc_->tns, 71) << "the SLC refusal comes after the advance";
    EXPECT_TRUE(log.Has("Ordax: SLC Request with invalid File type, Gate Address: 01N00700010", 8));
    EXPECT_EQ(log.Count(), 5u);  // function 0 and 5, two PLC types, SLC file type
}

TEST_F(Encode, RefusalsWithoutGateLogNothing) {
    ordax_test::MessageCapture log;
    Transaction t = Txn(1, 9, kFileN, 7, 10);
    EXPECT_EQ(Build(t), kLinkBadFunction);
    Transaction p = Txn(2, WriteBit, kFile10, 9, 0);
    EXPECT_EQ(Build(p), kLinkBadFileType);
    Transaction big = Txn(1, ReadWords, kFileN, 7, 0, 2000);
    EXPECT_EQ(Build(big), kLinkBadCount);
    EXPECT_EQ(log.Count(), 0u);
}

TEST_F(Encode, StationOutsideTheTableIsRefusedAsBadPlcType) {
    Transaction t = Txn(1, ReadWords, kFileN, 7, 10);
    t.station = 200;
    EXPECT_EQ(Build(t), kLinkBadPlcType);
}

TEST_F(Encode, CountsThatDoNotFitAreRefusedBeforeTheTnsAdvances) {
    ordax_test::MessageCapture log;
    GateAccess gate = linktest::Gate("01N00700000");
    struct Case {
        std::int32_t function;
        std::uint16_t fits;
    } cases[] = {{ReadWords, kMaxReadWords},
                 {WriteWords, kMaxWriteWords},
                 {ReadSingleWord, kMaxSingleWordCount}};
    for (const Case &c : cases) {
        for (int station : {1, 2}) {
            StationEntry &st = ctx_->stations[station];
            Transaction t = Txn(station, c.function, kFileN, 7, 300, c.fits);
            const std::uint16_t before = st.tns;
            ASSERT_EQ(Build(t, gate.addressText), kLinkOk) << c.function;
            EXPECT_LE(t.frameLength, kFrameCapacity);
            t.count = static_cast<std::uint16_t>(c.fits + 1);
            t.frameLength = -1;
            EXPECT_EQ(Build(t, gate.addressText), kLinkBadCount) << c.function;
            EXPECT_EQ(st.tns, static_cast<std::uint16_t>(before + 1));
            EXPECT_EQ(t.frameLength, -1);
            t.count = 0xFFFF;
            EXPECT_EQ(Build(t, gate.addressText), kLinkBadCount) << c.function;
        }
    }
    EXPECT_TRUE(log.Has("Ordax: Request with invalid Count, Gate Address: 01N00700000", 8));
    EXPECT_EQ(kMaxSingleWordCount, 1070);
    EXPECT_EQ(kMaxReadWords, 1025);
}

// The header, the data prefix and the first PCCC bytes (43 bytes in all)
// are cleared before anything is checked; nothing past them is touched by a
// refusal, and a short frame leaves the cleared tail at zero.
TEST_F(Encode, FirstBytesAreClearedEvenWhenTheRequestIsRefused) {
    auto expectCleared = [](const Transaction &t, std::size_t upTo, const char *what) {
        for (std::size_t i = 0; i < upTo; ++i) ASSERT_EQ(t.frame[i], 0) << what << " byte " << i;
        for (std::size_t i = 43; i < 64; ++i) ASSERT_EQ(t.frame[i], 0xEE) << what << " byte " << i;
    };
    Transaction t = Txn(1, 5, kFileN, 7, 10);
    std::memset(t.frame, 0xEE, sizeof t.frame);
    ASSERT_EQ(Build(t), kLinkBadFunction);
    expectCleared(t, 43, "function");

    linktest::Configure(*ctx_, 3, 7);
    t = Txn(3, ReadWords, kFileN, 7, 10);
    std::memset(t.frame, 0xEE, sizeof t.frame);
    ASSERT_EQ(Build(t), kLinkBadPlcType);
    expectCleared(t, 43, "plcType");

    // The SLC refusal comes after the PCCC head was written: the header and
    // the prefix stay cleared, and frameLength stays unset.
    t = Txn(2, WriteWords, kFile10, 300, 300, 2);
    std::memset(t.frame, 0xEE, sizeof t.frame);
    t.frameLength = -3;
    ASSERT_EQ(Build(t), kLinkBadFileType);
    expectCleared(t, 32, "SLC file type");
    EXPECT_EQ(t.frameLength, -3);

    // A 42-byte SLC read: byte 42 is part of the cleared area, byte 43 is not.
    t = Txn(2, ReadSingleWord, kFileN, 7, 10);
    std::memset(t.frame, 0xEE, sizeof t.frame);
    ASSERT_EQ(Build(t), kLinkOk);
    ASSERT_EQ(t.frameLength, 42);
    EXPECT_EQ(t.frame[42], 0);
    EXPECT_EQ(t.frame[43], 0xEE);
}

TEST_F(Encode, LargestWriteCarriesEveryWord) {
    Transaction t = Txn(1, WriteWords, kFileN, 300, 300, kMaxWriteWords);
    for (int i = 0; i < kMaxWriteWords; ++i) t.data[i] = static_cast<std::uint16_t>(0x0101 * i + 7);
    ASSERT_EQ(Build(t), kLinkOk);
    const int n = 9 + 7 + 2 * kMaxWriteWords;  // address 06 FF 2C 01 FF 2C 01
    EXPECT_EQ(t.frameLength, 32 + n);
    EXPECT_EQ(t.frame[2] * 256 + t.frame[3], n + 4);
    const std::uint8_t *words = t.frame + 32 + 9 + 7;
    for (int i = 0; i < kMaxWriteWords; ++i) {
        ASSERT_EQ(words[2 * i] | (words[2 * i + 1] << 8), t.data[i]) << i;
    }
}

TEST(SessionRequest, IsTheFixedHeader) {
    std::uint8_t req[kSessionRequestSize];
    std::memset(req, 0xEE, sizeof req);
    BuildSessionRequest(req);
    EXPECT_EQ(Hex(Bytes(req, req + sizeof req)),
              "01 01 00 00 00 00 00 00 00 00 00 00 00 04 00 05 "
              "00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST(ByteCursor, RecordsOverflowInsteadOfWritingPastTheEnd) {
    std::uint8_t buf[6] = {};
    std::uint8_t guard = 0x5A;
    ByteCursor c = MakeCursor(buf, 5);
    PutU32be(c, 0x01020304u);
    EXPECT_FALSE(c.overflow);
    PutU16le(c, 0xAAAA);  // one byte left: nothing written
    EXPECT_TRUE(c.overflow);
    PutU8(c, 0x77);  // stays overflowed
    EXPECT_EQ(c.pos, 4u);
    EXPECT_EQ(buf[4], 0);
    EXPECT_EQ(buf[5], 0);
    EXPECT_EQ(guard, 0x5A);
    ByteCursor d = MakeCursor(buf, 6, 4);
    PutCompact(d, 300);  // three bytes do not fit in two
    EXPECT_TRUE(d.overflow);
    EXPECT_EQ(d.pos, 4u);
    const std::uint16_t words[3] = {0x0102, 0x0304, 0x0506};
    ByteCursor e = MakeCursor(buf, 6, 1);
    PutU16leArray(e, words, 3);  // six bytes do not fit in five
    EXPECT_TRUE(e.overflow);
    EXPECT_EQ(buf[5], 0);
    ByteCursor f = MakeCursor(buf, 6);
    PutU16leArray(f, words, 3);
    EXPECT_FALSE(f.overflow);
    EXPECT_EQ(Hex(Bytes(buf, buf + 6)), "02 01 04 03 06 05");
}

// The reader gives each field in its byte order and, past the end, zeros
// without moving, with the overflow kept for one check at the end.
TEST(ByteReader, ReadsInOrderAndStopsAtTheEnd) {
    const std::uint8_t bytes[7] = {0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x9A};
    ByteReader r = MakeReader(bytes, sizeof bytes);
    EXPECT_EQ(GetU16be(r), 0x1234);
    EXPECT_EQ(GetU16le(r), 0x3412);
    EXPECT_EQ(Remaining(r), 3u);
    EXPECT_EQ(GetU32be(r), 0u);  // four bytes do not fit in three
    EXPECT_TRUE(r.overflow);
    EXPECT_EQ(r.pos, 4u);
    EXPECT_EQ(GetU8(r), 0);  // stays overflowed
    EXPECT_EQ(Remaining(r), 0u);

    ByteReader s = MakeReader(bytes, sizeof bytes, 2);
    EXPECT_EQ(GetU32be(s), 0x12345678u);
    std::uint8_t out[2] = {0xEE, 0xEE};
    GetBytes(s, out, 2);  // one byte left: nothing copied
    EXPECT_TRUE(s.overflow);
    EXPECT_EQ(out[0], 0xEE);

    ByteReader t = MakeReader(bytes, sizeof bytes);
    SeekTo(t, 6);
    EXPECT_EQ(GetU8(t), 0x9A);
    EXPECT_FALSE(t.overflow);
    SeekTo(t, 8);  // past the end
    EXPECT_TRUE(t.overflow);
    EXPECT_TRUE(MakeReader(bytes, 2, 3).overflow);
}

}  // namespace
