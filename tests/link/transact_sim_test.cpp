// The link against the PLC simulator on loopback: frames on the wire,
// TNS and session, replies that must be dropped, time-outs, and the
// station connection.
#include <gtest/gtest.h>

#include "link/encap.h"
#include "platform/clock.h"
#include "testkit/messages.h"
#include "tests/link/link_fixture.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using linktest::Bytes;
using linktest::Hex;

constexpr int kPlc5Station = 1;
constexpr int kSlcStation = 2;

class LinkSim : public ::testing::Test {
protected:
    void SetUp() override {
        plc5_ = sim_.AddStation({"127.0.0.30", plcsim::Family::Plc5, "", 2222});
        slc_ = sim_.AddStation({"127.0.0.31", plcsim::Family::Slc5, "", 2222});
        ASSERT_GE(plc5_, 0) << sim_.LastError();
        ASSERT_GE(slc_, 0) << sim_.LastError();
        ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
        ctx_ = linktest::NewContext();
        ctx_->timers.loopSleep = 25;
        ctx_->timers.sessionTimeout = 1000;
        linktest::Configure(*ctx_, kPlc5Station, kPlc5, "127.0.0.30");
        linktest::Configure(*ctx_, kSlcStation, kSlc5, "127.0.0.31");
        ASSERT_EQ(Connect(kPlc5Station), 0);
        ASSERT_EQ(Connect(kSlcStation), 0);
        log_.Clear();
    }
    // The block exists only once the simulator started.
    void TearDown() override {
        if (ctx_ == nullptr) return;
        for (StationEntry &st : ctx_->stations) CloseStation(st);
    }
    // As the channel thread's walk does it.
    int Connect(int station) { return ordax_test::ConnectStation(*ctx_, station) ? 0 : 1; }
    plcsim::Station &Sim(int station) {
        return sim_.station(station == kPlc5Station ? plc5_ : slc_);
    }
    StationEntry &Entry(int station) { return ctx_->stations[station]; }
    Transaction Txn(int station, std::int32_t function, std::int32_t fileType, std::uint16_t file,
                    std::uint16_t element, std::uint16_t count = 1) {
        return linktest::MakeTxn(station, function, fileType, file, element, count);
    }
    int Run(Transaction &t) { return Transact(*ctx_, t, nullptr); }
    // The last request as the simulator received it.
    Bytes Raw(int station) {
        auto r = Sim(station).LastRequest();
        return r ? r->raw : Bytes{};
    }
    Bytes SessionBytes(int station) {
        return Bytes(Entry(station).session, Entry(station).session + 4);
    }

    plcsim::Simulator sim_;
    int plc5_ = -1;
    int slc_ = -1;
    ordax_test::MessageCapture log_;
    std::unique_ptr<DriverContext> ctx_;
};

// Header of a PCCC request as it must appear on the wire.
std::string HeaderHex(std::uint16_t dataLength, const Bytes &session, std::uint16_t tns) {
    Bytes h = {1, 7, static_cast<std::uint8_t>(dataLength >> 8),
               static_cast<std::uint8_t>(dataLength)};
    h.insert(h.end(), session.begin(), session.end());
    h.insert(h.end(), {0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(tns >> 8),
                       static_cast<std::uint8_t>(tns)});
    h.insert(h.end(), 12, 0);
    h.insert(h.end(), {0, 5, 0, 0});
    return Hex(h);
}

TEST_F(LinkSim, ExampleReadsOnTheWireAndTheirValues) {
    ASSERT_TRUE(Sim(kPlc5Station).SetWord({plcsim::FileType::N, 7, 10, 0}, 0x1357));
    ASSERT_TRUE(Sim(kSlcStation).SetWord({plcsim::FileType::N, 7, 10, 0}, 0x2468));
    Entry(kPlc5Station).tns = 0x0101;
    Entry(kSlcStation).tns = 0x0101;
    Transaction p = Txn(kPlc5Station, ReadSingleWord, kFileN, 7, 10);
    ASSERT_EQ(Run(p), kLinkOk);
    EXPECT_EQ(p.data[0], 0x1357);
    EXPECT_EQ(Hex(Raw(kPlc5Station)), HeaderHex(0x12, SessionBytes(kPlc5Station), 0x0102) +
                                          " 0F 00 02 01 01 00 00 01 00 06 07 0A 02 00");
    Transaction s = Txn(kSlcStation, ReadSingleWord, kFileN, 7, 10);
    ASSERT_EQ(Run(s), kLinkOk);
    EXPECT_EQ(s.data[0], 0x2468);
    EXPECT_EQ(Hex(Raw(kSlcStation)), HeaderHex(0x0E, SessionBytes(kSlcStation), 0x0102) +
                                         " 0F 00 02 01 A2 02 07 89 0A 00");
    EXPECT_EQ(sim_.counters().badSession, 0u);
}

TEST_F(LinkSim, ExampleBitWritesOnTheWire) {
    Entry(kPlc5Station).tns = 6;
    Entry(kSlcStation).tns = 6;
    for (int station : {kPlc5Station, kSlcStation}) {
        Transaction t = Txn(station, WriteBit, kFileB, 3, 5);
        t.bit = 3;
        t.data[0] = 1;
        ASSERT_EQ(Run(t), kLinkOk);
        EXPECT_EQ(t.sts, 0);
        EXPECT_EQ(Sim(station).GetWord({plcsim::FileType::B, 3, 5, 0}),
                  std::optional<std::uint16_t>(0x0008));
    }
    EXPECT_EQ(Hex(Raw(kPlc5Station)), HeaderHex(0x10, SessionBytes(kPlc5Station), 7) +
                                          " 0F 00 07 00 26 06 03 05 F7 FF 08 00");
    EXPECT_EQ(Hex(Raw(kSlcStation)), HeaderHex(0x12, SessionBytes(kSlcStation), 7) +
                                         " 0F 00 07 00 AB 02 03 85 05 00 08 00 08 00");
}

TEST_F(LinkSim, ExampleWordWritesOnTheWire) {
    for (int station : {kPlc5Station, kSlcStation}) {
        Transaction t = Txn(station, WriteWords, kFileN, 7, 300, 2);
        t.data[0] = 0x1234;
        t.data[1] = 0xABCD;
        ASSERT_EQ(Run(t), kLinkOk);
        EXPECT_EQ(t.sts, 0);
        auto words = Sim(station).GetWords({plcsim::FileType::N, 7, 300, 0}, 2);
        ASSERT_TRUE(words.has_value());
        EXPECT_EQ(*words, (std::vector<std::uint16_t>{0x1234, 0xABCD}));
    }
    EXPECT_EQ(Hex(Raw(kPlc5Station)), HeaderHex(22, SessionBytes(kPlc5Station), 1) +
                                          " 0F 00 01 00 00 00 00 02 00 06 07 FF 2C 01 34 12 CD AB");
    EXPECT_EQ(Hex(Raw(kSlcStation)), HeaderHex(20, SessionBytes(kSlcStation), 1) +
                                         " 0F 00 01 00 AA 04 07 89 FF 2C 01 00 34 12 CD AB");
}

TEST_F(LinkSim, TimerSubElementAddresses) {
    for (int station : {kPlc5Station, kSlcStation}) {
        ASSERT_TRUE(Sim(station).SetWord({plcsim::FileType::T, 4, 2, 1}, 321));
        Transaction t = Txn(station, ReadWords, kFileT, 4, 2);
        t.subElement = 1;
        ASSERT_EQ(Run(t), kLinkOk);
        EXPECT_EQ(t.data[0], 321);
        auto req = Sim(station).LastRequest();
        ASSERT_TRUE(req.has_value());
        EXPECT_EQ(req->decoded.subElement, 1);
    }
    Bytes plc5 = Raw(kPlc5Station);
    EXPECT_EQ(Hex(Bytes(plc5.begin() + 41, plc5.begin() + 45)), "0E 04 02 01");
    Bytes slc = Raw(kSlcStation);
    EXPECT_EQ(Hex(Bytes(slc.begin() + 38, slc.begin() + 42)), "04 86 02 01");
}

TEST_F(LinkSim, TnsAdvancesPerRequestAndWrapsToOne) {
    Transaction t = Txn(kPlc5Station, ReadWords, kFileN, 7, 0);
    std::vector<std::uint16_t> seen;
    Entry(kPlc5Station).tns = 0xFFFD;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(Run(t), kLinkOk);
        auto req = Sim(kPlc5Station).LastRequest();
        ASSERT_TRUE(req.has_value());
        EXPECT_EQ(req->decoded.context, req->decoded.tns);
        seen.push_back(req->decoded.tns);
    }
    EXPECT_EQ(seen, (std::vector<std::uint16_t>{0xFFFE, 0xFFFF, 1, 2}));
    EXPECT_EQ(Entry(kSlcStation).tns, 0);
}

TEST_F(LinkSim, SessionHandleOfTheConnectionIsCarried) {
    Transaction t = Txn(kSlcStation, ReadWords, kFileN, 7, 0);
    ASSERT_EQ(Run(t), kLinkOk);
    auto req = Sim(kSlcStation).LastRequest();
    ASSERT_TRUE(req.has_value());
    const Bytes s = SessionBytes(kSlcStation);
    const std::uint32_t expected = (std::uint32_t{s[0]} << 24) | (std::uint32_t{s[1]} << 16) |
                                   (std::uint32_t{s[2]} << 8) | s[3];
    EXPECT_EQ(req->decoded.session, expected);
    EXPECT_EQ(Sim(kSlcStation).counters().badSession, 0u);
}

TEST_F(LinkSim, ForeignRepliesBeforeTheAnswerAreDropped) {
    ASSERT_TRUE(Sim(kPlc5Station).SetWords({plcsim::FileType::N, 7, 20, 0}, {11, 22, 33}));
    for (plcsim::PreReply kind :
         {plcsim::PreReply::WrongTns, plcsim::PreReply::Mode1, plcsim::PreReply::BadStatus}) {
        Sim(kPlc5Station).SetPreReply(kind, 1);
        Transaction t = Txn(kPlc5Station, ReadWords, kFileN, 7, 20, 3);
        ASSERT_EQ(Run(t), kLinkOk);
        EXPECT_EQ(t.data[0], 11);
        EXPECT_EQ(t.data[1], 22);
        EXPECT_EQ(t.data[2], 33);
    }
    EXPECT_EQ(log_.Count(), 0u);
}

TEST_F(LinkSim, ProcessorStatusIsReturnedWithoutData) {
    Transaction t = Txn(kSlcStation, ReadWords, kFileN, 7, 0, 2);
    t.data[0] = 0xBEEF;
    Sim(kSlcStation).ForceStatusNext({0x10, 0});
    ASSERT_EQ(Run(t), kLinkOk);
    EXPECT_EQ(t.sts, 0x10);
    EXPECT_EQ(t.extSts, 0);
    EXPECT_EQ(t.data[0], 0xBEEF);
    Sim(kSlcStation).ForceStatusNext({0xF0, 0x07});
    ASSERT_EQ(Run(t), kLinkOk);
    EXPECT_EQ(t.sts, 0xF0);
    EXPECT_EQ(t.extSts, 0x07);
}

TEST_F(LinkSim, SplitRepliesAreReassembled) {
    ASSERT_TRUE(Sim(kPlc5Station).SetWord({plcsim::FileType::N, 7, 3, 0}, 0x0A0B));
    Sim(kPlc5Station).SetSplit({10, 18}, 20);
    Transaction t = Txn(kPlc5Station, ReadSingleWord, kFileN, 7, 3);
    ASSERT_EQ(Run(t), kLinkOk);
    EXPECT_EQ(t.data[0], 0x0A0B);
}

TEST_F(LinkSim, LargestBlocksBothWays) {
    Transaction w = Txn(kSlcStation, WriteWords, kFileN, 7, 0, 1000);
    for (int i = 0; i < 1000; ++i) w.data[i] = static_cast<std::uint16_t>(i * 7 + 1);
    ASSERT_EQ(Run(w), kLinkOk);
    ASSERT_EQ(w.sts, 0);
    Transaction r = Txn(kSlcStation, ReadWords, kFileN, 7, 0, 1000);
    ASSERT_EQ(Run(r), kLinkOk);
    ASSERT_EQ(r.sts, 0);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(r.data[i], static_cast<std::uint16_t>(i * 7 + 1)) << i;
}

TEST_F(LinkSim, UnansweredRequestTimesOut) {
    Sim(kPlc5Station).SwallowNext(1);
    Entry(kPlc5Station).lastSupervision = 777;
    Transaction t = Txn(kPlc5Station, ReadWords, kFileN, 7, 0);
    const std::uint32_t start = plat::TickCount();
    EXPECT_EQ(Run(t), kLinkTimeout);
    EXPECT_GT(plat::TickCount() - start, ctx_->replyTimeout + 2 * ctx_->timers.loopSleep)
        << "the whole reply time-out, then the pause";
    EXPECT_LT(plat::TickCount() - start, 10000u);
    EXPECT_EQ(Entry(kPlc5Station).socket, plat::kNoSocket);
    EXPECT_EQ(Entry(kPlc5Station).lastSupervision, 0u);
    EXPECT_EQ(log_.Count(), 0u) << "a silent station logs nothing in the link";
    ASSERT_EQ(Connect(kPlc5Station), 0) << "the next supervision reconnects";
    EXPECT_EQ(Run(t), kLinkOk);
}

// The close is seen as soon as it arrives, as a receive error with 10054,
// not after the reply time-out.
TEST_F(LinkSim, PeerClosingMidHeader) {
    Sim(kSlcStation).CloseAfterBytes(20);
    Transaction t = Txn(kSlcStation, ReadWords, kFileN, 7, 0);
    EXPECT_EQ(Run(t), kLinkNotConnected);
    EXPECT_TRUE(log_.Has("Ordax : Receive Message error 10054 0x10054", kLevelError));
    EXPECT_FALSE(log_.Has("Ordax : Timeout from receive message", kLevelError));
    EXPECT_EQ(Entry(kSlcStation).socket, plat::kNoSocket);
    EXPECT_EQ(Entry(kSlcStation).lastSupervision, 0u) << "due at the next walk";
}

TEST_F(LinkSim, NothingReadableWithinTheTimeout) {
    std::uint8_t buf[64];
    int length = sizeof buf;
    EXPECT_EQ(RcvMsg(Entry(kPlc5Station).socket, buf, &length, 50), kRcvTimeout);
    EXPECT_EQ(length, 64);
    EXPECT_EQ(log_.Count(), 0u);
}

TEST_F(LinkSim, DroppedConnectionEndsAsLinkFailure) {
    Sim(kPlc5Station).DropConnections();
    plat::SleepMs(50);
    Transaction t = Txn(kPlc5Station, ReadWords, kFileN, 7, 0);
    const int rc = Run(t);
    // The reset arrives either before the send or as the answer to it, or
    // the stream reads 0 bytes: each is a lost connection.
    EXPECT_EQ(rc, kLinkNotConnected);
    EXPECT_EQ(Entry(kPlc5Station).socket, plat::kNoSocket);
}

TEST_F(LinkSim, SessionFailuresAndLimits) {
    CloseStation(Entry(kSlcStation));
    ctx_->timers.sessionTimeout = 150;
    Sim(kSlcStation).SetSessionSilent(true);
    EXPECT_EQ(Connect(kSlcStation), 1);
    EXPECT_TRUE(log_.Has("Ordax : session establish received failed", kLevelDetail));
    EXPECT_FALSE(log_.Has("Ordax : Timeout from receive message", kLevelError)) << "no byte came";
    Sim(kSlcStation).SetSessionSilent(false);

    Sim(kSlcStation).SetSessionDataLength(16);
    EXPECT_EQ(Connect(kSlcStation), 1);
    EXPECT_TRUE(log_.Has("Ordax : Receive Message length exceeds buffer limits", kLevelError));

    Sim(kSlcStation).SetSessionDataLength(15);
    log_.Clear();
    EXPECT_EQ(Connect(kSlcStation), 0);
    EXPECT_TRUE(log_.Has("Ordax : Connected to 127.0.0.31", kLevelDetail));
    Sim(kSlcStation).ClearFaults();
    Transaction t = Txn(kSlcStation, ReadWords, kFileN, 7, 0);
    EXPECT_EQ(Run(t), kLinkOk);
}

TEST_F(LinkSim, StationNotAcceptingIsRefused) {
    CloseStation(Entry(kPlc5Station));
    Sim(kPlc5Station).SetAccepting(false);
    EXPECT_EQ(Connect(kPlc5Station), 1);
    EXPECT_TRUE(log_.Has("Ordax : Failure connecting to 127.0.0.30", kLevelError));
    EXPECT_EQ(Entry(kPlc5Station).socket, plat::kNoSocket);
    Transaction t = Txn(kPlc5Station, ReadWords, kFileN, 7, 0);
    const std::uint16_t tns = Entry(kPlc5Station).tns;
    EXPECT_EQ(Run(t), kLinkNotConnected);
    EXPECT_EQ(Entry(kPlc5Station).tns, tns);
}

}  // namespace
