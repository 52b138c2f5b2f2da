// SendMsg, RcvMsg and CloseStation against the scripted socket table.
#include <gtest/gtest.h>

#include "link/link.h"
#include "platform/clock.h"
#include "platform/sockerr.h"
#include "testkit/fake_sockets.h"
#include "testkit/messages.h"
#include "tests/link/link_fixture.h"

namespace {

using namespace ordax;
using linktest::Bytes;
using linktest::Fails;
using linktest::Frame;
using linktest::kFakeSocket;
using linktest::RecvBytes;

Bytes Pattern(int n, std::uint8_t first = 1) {
    Bytes b(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(first + i);
    return b;
}

class Send : public ::testing::Test {
protected:
    linktest::FakeSockets fake_;
    ordax_test::MessageCapture log_;
};

TEST_F(Send, PartialSendContinuesWithTheUnsentBytes) {
    Bytes frame = Pattern(45);
    fake_.net().send = {linktest::SendAccepts(20), linktest::SendAccepts(25)};
    EXPECT_EQ(SendMsg(kFakeSocket, frame.data(), 45, 5000), 0);
    EXPECT_EQ(fake_.net().sent, frame);
    EXPECT_EQ(fake_.net().sendCalls, 2);
    EXPECT_EQ(log_.Count(), 0u);
}

TEST_F(Send, WouldBlockIsRetriedThenZeroAndPartialProgress) {
    Bytes frame = Pattern(30);
    fake_.net().send = {Fails(plat::kWsaEwouldblock), linktest::SendAccepts(0),
                        linktest::SendAccepts(7)};
    EXPECT_EQ(SendMsg(kFakeSocket, frame.data(), 30, 5000), 0);
    EXPECT_EQ(fake_.net().sent, frame);
    EXPECT_EQ(fake_.net().sendCalls, 4);
}

TEST_F(Send, OtherErrorsFailWithTheirNumber) {
    Bytes frame = Pattern(30);
    fake_.net().send = {linktest::SendAccepts(10), Fails(plat::kWsaEconnreset)};
    EXPECT_EQ(SendMsg(kFakeSocket, frame.data(), 30, 5000), 1);
    EXPECT_TRUE(log_.Has("Ordax : Send message errno 10054 0x2746", kLevelError));
    EXPECT_EQ(log_.Count(), 1u);
}

// After a would-block the send waits for the socket to become writable,
// with the time that is left, instead of pausing a fixed time.
TEST_F(Send, WouldBlockWaitsForWritableWithTheTimeLeft) {
    Bytes frame = Pattern(28);
    fake_.net().send = {Fails(plat::kWsaEwouldblock), Fails(plat::kWsaEwouldblock)};
    const std::uint32_t start = plat::TickCount();
    EXPECT_EQ(SendMsg(kFakeSocket, frame.data(), 28, 5000), 0);
    EXPECT_LT(plat::TickCount() - start, 150u) << "no fixed pause after a would-block";
    EXPECT_EQ(fake_.net().sendCalls, 3);
    EXPECT_EQ(fake_.net().sent, frame);
    EXPECT_EQ(fake_.net().waitForWrite, (std::vector<bool>{true, true}));
    ASSERT_EQ(fake_.net().waitTimeouts.size(), 2u);
    for (std::uint32_t t : fake_.net().waitTimeouts) {
        EXPECT_LE(t, 5000u);
        EXPECT_GT(t, 4800u) << "the wait gets the time that is left";
    }
    EXPECT_EQ(log_.Count(), 0u);
}

// A peer that never reads keeps the send buffer full: the send gives up
// once its time has passed, named as the would-block it kept seeing; a
// failed wait is named by its own error. Longer limits are held to a minute.
TEST_F(Send, LastingWouldBlockGivesUpAfterItsTime) {
    const struct {
        const char *name;
        std::uint32_t timeoutMs;
        std::vector<plat::WaitResult> waits;  // a time-out of the fake takes its time
        int waitError;                        // of a failed wait
        std::uint32_t firstWaitMs;            // asked of the first wait
        const char *message;
    } cases[] = {
        {"WaitRunsOut",
         250,
         {plat::kWaitTimedOut},
         0,
         250,
         "Ordax : Send message errno 10035 0x2733"},
        {"ReadyThenRunsOut",
         250,
         {plat::kWaitReady, plat::kWaitTimedOut},
         0,
         250,
         "Ordax : Send message errno 10035 0x2733"},
        {"WaitFails",
         250,
         {plat::kWaitFailed},
         plat::kWsaEinval,
         250,
         "Ordax : Send message errno 10022 0x2726"},
        // -1 from a node file: the wait is asked for a minute, not 49 days.
        {"EndlessIsAMinute",
         0xFFFFFFFFu,
         {plat::kWaitFailed},
         plat::kWsaEinval,
         60000,
         "Ordax : Send message errno 10022 0x2726"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fake_.net() = linktest::FakeNet{};
        log_.Clear();
        Bytes frame = Pattern(28);
        fake_.net().sendRepeat = Fails(plat::kWsaEwouldblock);
        fake_.net().waits.assign(c.waits.begin(), c.waits.end());
        fake_.net().waitError = c.waitError;
        EXPECT_EQ(SendMsg(kFakeSocket, frame.data(), 28, c.timeoutMs), 1);
        EXPECT_FALSE(fake_.net().waitTimeouts.empty());
        if (fake_.net().waitTimeouts.empty()) continue;
        EXPECT_LE(fake_.net().waitTimeouts[0], c.firstWaitMs);
        EXPECT_GT(fake_.net().waitTimeouts[0], c.firstWaitMs - 100);
        EXPECT_EQ(fake_.net().sendCalls, static_cast<int>(c.waits.size()));
        EXPECT_TRUE(log_.Has(c.message, kLevelError));
        EXPECT_EQ(log_.Count(), 1u);
    }
}

class Receive : public ::testing::Test {
protected:
    int Rcv(int capacity, std::uint32_t timeoutMs = 200) {
        length_ = capacity;
        return RcvMsg(kFakeSocket, buf_.data(), &length_, timeoutMs);
    }
    linktest::FakeSockets fake_;
    ordax_test::MessageCapture log_;
    Bytes buf_ = Bytes(kFrameCapacity, 0xEE);
    int length_ = 0;
};

TEST_F(Receive, CapacityBelowHeaderIsRefusedWithoutTouchingTheSocket) {
    fake_.net().recv = {RecvBytes(Frame(0))};
    EXPECT_EQ(Rcv(27), kRcvTooLong);
    EXPECT_EQ(length_, 27);
    EXPECT_TRUE(log_.Has("Ordax : Receive Message length exceeds buffer limits", kLevelError));
    EXPECT_TRUE(fake_.net().waitTimeouts.empty());
    EXPECT_EQ(fake_.net().recvCalls, 0);
}

TEST_F(Receive, HeaderOnlyFrame) {
    fake_.net().recv = {RecvBytes(Frame(0))};
    EXPECT_EQ(Rcv(kFrameCapacity, 1500), kRcvOk);
    EXPECT_EQ(length_, 28);
    EXPECT_EQ(fake_.net().waitTimeouts, std::vector<std::uint32_t>{1500});
    EXPECT_EQ(fake_.net().waitForWrite, std::vector<bool>{false});
    EXPECT_EQ(log_.Count(), 0u);
}

TEST_F(Receive, CapacityOfExactlyTheFrameAndOneLess) {
    Bytes frame = Frame(19, Pattern(19, 0x40));
    fake_.net().recv = {RecvBytes(frame)};
    EXPECT_EQ(Rcv(47), kRcvOk);
    EXPECT_EQ(length_, 47);
    EXPECT_EQ(Bytes(buf_.begin(), buf_.begin() + 47), frame);
    EXPECT_EQ(buf_[47], 0xEE);

    fake_.net().recv = {RecvBytes(frame)};
    EXPECT_EQ(Rcv(46), kRcvTooLong);
    EXPECT_EQ(length_, 46);
    EXPECT_TRUE(log_.Has("Ordax : Receive Message length exceeds buffer limits", kLevelError));
    ASSERT_EQ(fake_.net().recv.size(), 1u) << "the data stays unread";
    EXPECT_EQ(fake_.net().recv.front().bytes, Pattern(19, 0x40));
}

TEST_F(Receive, AnnouncedLengthBeyondTheWholeBufferIsNeverRead) {
    fake_.net().recv = {RecvBytes(Frame(0xFFFF, Pattern(64)))};
    Bytes small(43, 0xEE);
    int length = 43;
    EXPECT_EQ(RcvMsg(kFakeSocket, small.data(), &length, 100), kRcvTooLong);
    EXPECT_EQ(length, 43);
    EXPECT_EQ(Bytes(small.begin() + 28, small.end()), Bytes(15, 0xEE));
}

TEST_F(Receive, HeaderInTwoPiecesAndDataAfterWouldBlock) {
    Bytes frame = Frame(6, Pattern(6, 0x90));
    fake_.net().recv = {
        RecvBytes(Bytes(frame.begin(), frame.begin() + 10)), Fails(plat::kWsaEwouldblock),
        RecvBytes(Bytes(frame.begin() + 10, frame.begin() + 28)), Fails(plat::kWsaEwouldblock),
        RecvBytes(Bytes(frame.begin() + 28, frame.end()))};
    EXPECT_EQ(Rcv(kFrameCapacity), kRcvOk);
    EXPECT_EQ(length_, 34);
    EXPECT_EQ(Bytes(buf_.begin(), buf_.begin() + 34), frame);
    EXPECT_EQ(log_.Count(), 0u);
}

TEST_F(Receive, NeverReadsIntoTheFollowingFrame) {
    Bytes first = Frame(3, {1, 2, 3});
    Bytes second = Frame(2, {8, 9});
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    fake_.net().recv = {RecvBytes(both)};
    ASSERT_EQ(Rcv(kFrameCapacity), kRcvOk);
    EXPECT_EQ(length_, 31);
    EXPECT_EQ(Bytes(buf_.begin(), buf_.begin() + 31), first);
    ASSERT_EQ(Rcv(kFrameCapacity), kRcvOk);
    EXPECT_EQ(length_, 30);
    EXPECT_EQ(Bytes(buf_.begin(), buf_.begin() + 30), second);
}

TEST_F(Receive, WaitOutcomes) {
    fake_.net().waits = {plat::kWaitTimedOut, plat::kWaitFailed, plat::kWaitNoEvent};
    fake_.net().waitError = plat::kWsaEinval;
    EXPECT_EQ(Rcv(kFrameCapacity), kRcvTimeout);
    EXPECT_EQ(log_.Count(), 0u) << "a quiet time-out logs nothing";
    EXPECT_EQ(Rcv(kFrameCapacity), kRcvSocketError);
    EXPECT_TRUE(log_.Has("Ordax : RcvMsg Select failed Errno 10022 0x2726", kLevelDetail));
    EXPECT_EQ(Rcv(kFrameCapacity), kRcvSocketError);
    EXPECT_TRUE(log_.Has("Ordax : RcvMsg internal error, selected completed but no event on socket",
                         kLevelError));
    EXPECT_EQ(log_.Count(), 2u);
    EXPECT_EQ(fake_.net().recvCalls, 0);
    EXPECT_EQ(length_, kFrameCapacity);
}

TEST_F(Receive, ReadErrorsInEitherPhase) {
    fake_.net().recv = {RecvBytes(Pattern(12)), Fails(plat::kWsaEconnreset)};
    EXPECT_EQ(Rcv(kFrameCapacity), kRcvSocketError);
    EXPECT_TRUE(log_.Has("Ordax : Receive Message error 10054 0x10054", kLevelError));
    log_.Clear();
    fake_.net().recv = {RecvBytes(Frame(10, Pattern(4))), Fails(plat::kWsaEconnaborted)};
    EXPECT_EQ(Rcv(kFrameCapacity), kRcvSocketError);
    EXPECT_TRUE(log_.Has("Ordax : Receive Message error 10053 0x10053", kLevelError));
    EXPECT_EQ(log_.Count(), 1u);
    EXPECT_EQ(length_, kFrameCapacity);
}

// A receive of 0 bytes is the peer's orderly close: the phase fails at once
// as a socket error with 10054, in whichever phase it comes.
TEST_F(Receive, PeerCloseIsAReceiveErrorAtOnce) {
    const struct {
        const char *name;
        Bytes before;   // bytes that arrive before the close
        int recvCalls;  // the last one gets 0 bytes
    } cases[] = {
        {"BeforeAnyByte", {}, 1},
        {"MidHeader", Pattern(5), 2},
        {"AfterTheHeader", Frame(10), 2},
        {"MidData", Frame(10, Pattern(4)), 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fake_.net() = linktest::FakeNet{};
        if (!c.before.empty()) fake_.net().recv.push_back(RecvBytes(c.before));
        fake_.net().recv.push_back(linktest::PeerClosed());
        log_.Clear();
        EXPECT_EQ(Rcv(kFrameCapacity, 2000), kRcvSocketError);
        auto all = log_.All();
        ASSERT_EQ(all.size(), 1u);
        EXPECT_EQ(all[0].text, "Ordax : Receive Message error 10054 0x10054");
        EXPECT_EQ(all[0].level, kLevelError);
        EXPECT_EQ(fake_.net().recvCalls, c.recvCalls) << "no second look after the close";
        EXPECT_EQ(length_, kFrameCapacity);
    }
}

TEST_F(Receive, DataThatNeverCompletesTimesOut) {
    fake_.net().recv = {RecvBytes(Frame(40, Pattern(39)))};  // one byte short, then would-block
    EXPECT_EQ(Rcv(kFrameCapacity, 50), kRcvTimeout);
    EXPECT_TRUE(log_.Has("Ordax : Timeout from receive message", kLevelError));
    EXPECT_TRUE(log_.Has("Ordax : Receive Message error 10060 0x10060", kLevelError));
}

// The frame's time limit runs from the end of the readiness wait, not from
// the call: a wait that itself took longer than the limit still leaves the
// whole limit for reading.
TEST_F(Receive, FrameTimeLimitStartsWhenTheWaitEnds) {
    Bytes frame = Frame(4, Pattern(4));
    int waits = 0;
    fake_.net().onWait = [&waits] {
        if (waits++ == 0) plat::SleepMs(150);  // only the wait for the first byte
    };
    fake_.net().recv = {RecvBytes(Bytes(frame.begin(), frame.begin() + 6)),
                        Fails(plat::kWsaEwouldblock), Fails(plat::kWsaEwouldblock),
                        RecvBytes(Bytes(frame.begin() + 6, frame.end()))};
    EXPECT_EQ(Rcv(kFrameCapacity, 100), kRcvOk);
    EXPECT_EQ(length_, 32);
    EXPECT_EQ(Bytes(buf_.begin(), buf_.begin() + 32), frame);
    EXPECT_EQ(log_.Count(), 0u);
}

// Bytes that are late are waited for with the time that is left of the
// limit, never with a fixed pause: a frame in pieces is put together as
// soon as its pieces are there, and one that never completes times out
// after one wait for the rest. The limit is held to a minute.
TEST_F(Receive, LatePiecesAreAwaitedWithTheTimeLeft) {
    const Bytes frame = Frame(4, Pattern(4, 0x60));
    auto piece = [&frame](int from, int to) {
        return RecvBytes(Bytes(frame.begin() + from, frame.begin() + to));
    };
    const linktest::IoStep more = ordax_test::ReadWait(plat::kWaitReady);
    const struct {
        const char *name;
        std::uint32_t timeoutMs;
        std::vector<linktest::IoStep> recv;
        int waitError;
        int result;
        std::size_t waits;          // asked in all, the first for the first byte
        std::uint32_t firstWaitMs;  // asked of the first
        int recvCalls;              // the pieces, and a would-block before each later wait
        std::vector<std::string> messages;
    } cases[] = {
        {"HeaderThenData", 1500, {piece(0, 28), more, piece(28, 32)}, 0, kRcvOk, 2, 1500, 3, {}},
        {"HeaderInPieces",
         1500,
         {piece(0, 10), more, piece(10, 20), more, piece(20, 28), more, piece(28, 32)},
         0,
         kRcvOk,
         4,
         1500,
         7,
         {}},
        {"DataInPieces",
         300,
         {piece(0, 30), more, piece(30, 31), more, piece(31, 32)},
         0,
         kRcvOk,
         3,
         300,
         6,
         {}},
        {"NeverCompletes",
         80,
         {piece(0, 3)},
         0,
         kRcvTimeout,
         2,
         80,
         2,
         {"Ordax : Timeout from receive message", "Ordax : Receive Message error 10060 0x10060"}},
        {"WaitFailsMidFrame",
         1500,
         {piece(0, 29), ordax_test::ReadWait(plat::kWaitFailed)},
         plat::kWsaEnotsock,
         kRcvSocketError,
         2,
         1500,
         3,
         {"Ordax : Receive Message error 10038 0x10038"}},
        {"EndlessIsAMinute",
         0xFFFFFFFFu,
         {piece(0, 28), more, piece(28, 32)},
         0,
         kRcvOk,
         2,
         60000,
         3,
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fake_.net() = linktest::FakeNet{};
        fake_.net().recv.assign(c.recv.begin(), c.recv.end());
        fake_.net().waitError = c.waitError;
        log_.Clear();
        const std::uint32_t start = plat::TickCount();
        EXPECT_EQ(Rcv(kFrameCapacity, c.timeoutMs), c.result);
        const std::uint32_t took = plat::TickCount() - start;
        if (c.result == kRcvOk) {
            EXPECT_EQ(length_, 32);
            EXPECT_EQ(Bytes(buf_.begin(), buf_.begin() + 32), frame);
            EXPECT_LT(took, 150u) << "no fixed pause between the pieces";
        } else if (c.result == kRcvTimeout) {
            EXPECT_GE(took, c.timeoutMs) << "given up before the limit ran out";
        }
        EXPECT_EQ(fake_.net().waitTimeouts.size(), c.waits);
        if (fake_.net().waitTimeouts.size() != c.waits) continue;
        EXPECT_EQ(fake_.net().waitTimeouts[0], c.firstWaitMs);
        for (std::size_t i = 1; i < c.waits; ++i) {
            EXPECT_LE(fake_.net().waitTimeouts[i], c.firstWaitMs) << "wait " << i;
            EXPECT_GT(fake_.net().waitTimeouts[i] + 60, c.firstWaitMs) << "wait " << i;
        }
        EXPECT_EQ(fake_.net().recvCalls, c.recvCalls) << "no reads without a wait between them";
        std::vector<std::string> texts;
        for (const ordax_test::Message &m : log_.All()) texts.push_back(m.text);
        EXPECT_EQ(texts, c.messages);
    }
}

TEST_F(Receive, TimeLimitSurvivesTheTickWrap) {
    plat::SetTickCount(0xFFFFFFFFu - 30u);
    fake_.net().recv = {RecvBytes(Pattern(3))};  // then nothing more
    EXPECT_EQ(Rcv(kFrameCapacity, 100), kRcvTimeout);
    ASSERT_EQ(fake_.net().waitTimeouts.size(), 2u);
    EXPECT_GT(fake_.net().waitTimeouts[1], 50u) << "the limit was not taken as already run out";
    EXPECT_LT(plat::TickCount(), 0x80000000u) << "the tick count wrapped during the wait";
    plat::SetTickCount(1000000u);
}

TEST(CloseStation, ClosesOnceAndMarksUnconnected) {
    linktest::FakeSockets fake;
    auto ctx = linktest::NewContext();
    StationEntry &st = ctx->stations[3];
    st.socket = kFakeSocket;
    CloseStation(st);
    EXPECT_EQ(st.socket, plat::kNoSocket);
    CloseStation(st);
    EXPECT_EQ(st.socket, plat::kNoSocket);
    EXPECT_EQ(fake.net().closed, std::vector<plat::Socket>{kFakeSocket});
}

}  // namespace
