// Transact against the scripted socket table: reply matching, short and
// foreign replies, failures and what they leave behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "link/encap.h"
#include "platform/clock.h"
#include "platform/sockerr.h"
#include "testkit/fake_sockets.h"
#include "testkit/messages.h"
#include "tests/link/link_fixture.h"

namespace {

using namespace ordax;
using linktest::Bytes;
using linktest::kFakeSocket;
using linktest::RecvBytes;

constexpr std::uint16_t kSentinel = 0xBEEF;

// A PCCC reply frame: mode, status, STS, TNS, then `after` (EXT STS or data).
Bytes Reply(std::uint16_t tns, std::uint8_t sts, const Bytes &after = {}, std::uint8_t mode = 2,
            std::uint8_t status = 0) {
    // Sized once and filled in place (an insert here trips a false
    // -Warray-bounds in GCC 12 at -O2).
    Bytes pccc(8 + after.size(), 0);
    const std::uint8_t head[8] = {0,
                                  5,
                                  0,
                                  0,
                                  0x4F,
                                  sts,
                                  static_cast<std::uint8_t>(tns & 0xFF),
                                  static_cast<std::uint8_t>(tns >> 8)};
    std::copy(head, head + 8, pccc.begin());
    std::copy(after.begin(), after.end(), pccc.begin() + 8);
    Bytes f = linktest::Frame(static_cast<std::uint16_t>(pccc.size()), pccc);
    f[0] = mode;
    f[11] = status;
    return f;
}

bool LockFree(const plat::PlatLock &lock) {
    const plat::PlatLock zero{};
    return std::memcmp(&lock, &zero, sizeof lock) == 0;
}

class TransactFake : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = linktest::NewContext();
        ctx_->replyTimeout = 100;
        ctx_->timers.loopSleep = 5;
        st_ = &linktest::Configure(*ctx_, 5, kPlc5);
        st_->socket = kFakeSocket;
        st_->tns = 99;  // the request carries TNS 100
        st_->lastSupervision = 4242;
        txn_.function = ReadWords;
        txn_.station = 5;
        txn_.fileType = kFileN;
        txn_.fileNumber = 7;
        txn_.count = 3;
        for (std::uint16_t &w : txn_.data) w = kSentinel;
    }
    int Run() { return Transact(*ctx_, txn_, nullptr); }
    void Queue(const Bytes &frame) { fake_.net().recv.push_back(RecvBytes(frame)); }

    linktest::FakeSockets fake_;
    ordax_test::MessageCapture log_;
    std::unique_ptr<DriverContext> ctx_;
    StationEntry *st_ = nullptr;
    Transaction txn_{};
};

TEST_F(TransactFake, AcceptsTheMatchingReplyAndCopiesTheWordsRead) {
    bool lockedDuringWait = false;
    fake_.net().onWait = [&] { lockedDuringWait = !LockFree(st_->lock); };
    Queue(Reply(100, 0, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));
    EXPECT_EQ(Run(), kLinkOk);
    EXPECT_TRUE(lockedDuringWait);
    EXPECT_TRUE(LockFree(st_->lock));
    EXPECT_EQ(txn_.sts, 0);
    EXPECT_EQ(txn_.extSts, 0);
    EXPECT_EQ(txn_.data[0], 0x2211);
    EXPECT_EQ(txn_.data[1], 0x4433);
    EXPECT_EQ(txn_.data[2], 0x6655);
    EXPECT_EQ(txn_.data[3], kSentinel) << "only count words";
    EXPECT_EQ(fake_.net().sent.size(), static_cast<std::size_t>(txn_.frameLength));
    EXPECT_EQ(st_->socket, kFakeSocket);
    EXPECT_EQ(st_->lastSupervision, 4242u);
    EXPECT_EQ(fake_.net().waitTimeouts, std::vector<std::uint32_t>{100});
}

TEST_F(TransactFake, SingleWordReadCopiesExactlyOneWord) {
    txn_.function = ReadSingleWord;
    Queue(Reply(100, 0, {0x01, 0x80, 0x02, 0x00, 0x03, 0x00}));
    EXPECT_EQ(Run(), kLinkOk);
    EXPECT_EQ(txn_.data[0], 0x8001);
    EXPECT_EQ(txn_.data[1], kSentinel);
}

TEST_F(TransactFake, ForeignRepliesAreDroppedWithinTheSameWait) {
    Queue(Reply(99, 0, {9, 9, 9, 9, 9, 9}));            // earlier TNS
    Queue(Reply(100, 0, {8, 8, 8, 8, 8, 8}, 1));        // mode 1
    Queue(Reply(100, 0, {7, 7, 7, 7, 7, 7}, 2, 0x01));  // status not 0
    Queue(Reply(100, 0x10));                            // the answer
    EXPECT_EQ(Run(), kLinkOk);
    EXPECT_EQ(txn_.sts, 0x10);
    EXPECT_EQ(txn_.extSts, 0);
    EXPECT_EQ(txn_.data[0], kSentinel) << "a refused request carries no data";
    EXPECT_EQ(fake_.net().waitTimeouts.size(), 4u);
}

TEST_F(TransactFake, ExtendedStatusIsTheByteAfterTheTns) {
    txn_.function = WriteWords;
    Queue(Reply(100, 0xF0, {0x07, 0xAA, 0xBB}));
    EXPECT_EQ(Run(), kLinkOk);
    EXPECT_EQ(txn_.sts, 0xF0);
    EXPECT_EQ(txn_.extSts, 0x07);
    EXPECT_EQ(txn_.data[0], kSentinel);
}

TEST_F(TransactFake, RepliesMissingBytesAreNeverDelivered) {
    Queue(linktest::Frame(0));           // header only: request TNS still in the buffer
    Queue(Reply(100, 0, {1, 2, 3, 4}));  // two of three words
    Queue(Reply(100, 0xF0));             // EXT STS missing
    EXPECT_EQ(Run(), kLinkTimeout);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(txn_.data[i], kSentinel) << i;

    st_->socket = kFakeSocket;
    st_->tns = 99;
    Queue(Reply(100, 0, {1, 2, 3, 4}));
    Queue(Reply(100, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));  // longer than asked is fine
    EXPECT_EQ(Run(), kLinkOk);
    EXPECT_EQ(txn_.data[2], 0x0605);
    EXPECT_EQ(txn_.data[3], kSentinel);
}

TEST_F(TransactFake, EndlessForeignRepliesStillEndAtTheReplyTimeout) {
    fake_.net().recvRepeat = Reply(7, 0, {1, 2, 3, 4, 5, 6});
    const std::uint32_t start = plat::TickCount();
    EXPECT_EQ(Run(), kLinkTimeout);
    EXPECT_LT(plat::TickCount() - start, 10000u);
    EXPECT_EQ(st_->socket, plat::kNoSocket);
    EXPECT_EQ(st_->lastSupervision, 0u);
    EXPECT_EQ(txn_.data[0], kSentinel);
}

TEST_F(TransactFake, TimeoutClosesMarksForSupervisionAndPausesAfterUnlocking) {
    ctx_->timers.loopSleep = 400;  // pause of 800 ms
    fake_.net().waits = {plat::kWaitTimedOut, plat::kWaitTimedOut, plat::kWaitTimedOut};
    std::atomic<bool> returned{false};
    std::atomic<bool> closing{false};
    fake_.net().onClose = [&closing] { closing = true; };
    std::thread worker([&] {
        EXPECT_EQ(Run(), kLinkTimeout);
        returned = true;
    });
    while (!closing.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    plat::LockEnter(&st_->lock);  // the close happens under the lock; free while Transact pauses
    EXPECT_EQ(st_->socket, plat::kNoSocket);
    EXPECT_FALSE(returned.load());
    plat::LockLeave(&st_->lock);
    worker.join();
    EXPECT_EQ(st_->lastSupervision, 0u);
    EXPECT_EQ(fake_.net().closed, std::vector<plat::Socket>{kFakeSocket});
    EXPECT_GE(fake_.net().waitTimeouts.size(), 1u);
    EXPECT_LE(fake_.net().waitTimeouts.size(), 2u) << "one or two timed-out receives";
}

// The time-out is reported only once the limit has run out after a
// timed-out receive, and for a host call only after the pause of
// 2 x loopSleep. The channel thread's exchanges, made under the station's
// lock, take no pause: the lock would be held through it.
TEST_F(TransactFake, TimeoutTakesTheLimitAndThePauseOfHostCallsOnly) {
    struct Row {
        const char *name;
        bool lockHeld;
        std::uint32_t loopSleep;
        std::uint32_t minMs;
        std::uint32_t maxMs;
    };
    const Row rows[] = {
        {"host call", false, 60, 100 + 120, 10000},
        {"channel thread, loopSleep 60", true, 60, 100, 10000},
        {"channel thread, loopSleep 5000", true, 5000, 100, 5000},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ctx_->timers.loopSleep = row.loopSleep;
        st_->socket = kFakeSocket;
        fake_.net().waits = {plat::kWaitTimedOut, plat::kWaitTimedOut, plat::kWaitTimedOut};
        const std::uint32_t start = plat::TickCount();
        if (row.lockHeld) {
            plat::LockEnter(&st_->lock);
            EXPECT_EQ(Transact(*ctx_, txn_, nullptr, kStationLockHeld), kLinkTimeout);
            plat::LockLeave(&st_->lock);
        } else {
            EXPECT_EQ(Run(), kLinkTimeout);
        }
        const std::uint32_t took = plat::TickCount() - start;
        EXPECT_GT(took, row.minMs);
        EXPECT_LT(took, row.maxMs);
    }
}

// Every receive of the wait offers the whole frame buffer, also after a
// dropped reply.
TEST_F(TransactFake, EveryReceiveOffersTheWholeFrameBuffer) {
    txn_.function = ReadSingleWord;
    txn_.count = 1;
    Bytes fill(kFrameCapacity - 36, 0x5A);
    fill[0] = 0x34;
    fill[1] = 0x12;
    Queue(Reply(42, 0, fill));   // foreign, dropped
    Queue(Reply(100, 0, fill));  // 2176 bytes: fits exactly
    EXPECT_EQ(Run(), kLinkOk);
    EXPECT_EQ(txn_.data[0], 0x1234);
    EXPECT_EQ(txn_.data[1], kSentinel);

    st_->tns = 99;
    fill.push_back(0x5A);
    Queue(Reply(100, 0, fill));  // one byte more than the buffer
    EXPECT_EQ(Run(), kLinkNotConnected);
    EXPECT_EQ(st_->socket, plat::kNoSocket);
    EXPECT_EQ(st_->lastSupervision, 0u);
}

// A lost connection closes the station and makes it due, so the channel
// thread reconnects it at its next walk; the call returns at once.
TEST_F(TransactFake, ReceiveFailuresCloseAndMarkForSupervision) {
    const struct {
        const char *name;
        plat::WaitResult wait;
        std::vector<linktest::IoStep> recv;
    } cases[] = {
        {"NoEvent", plat::kWaitNoEvent, {}},
        {"TooLong", plat::kWaitReady, {RecvBytes(linktest::Frame(3000))}},
        {"Reset", plat::kWaitReady, {linktest::Fails(plat::kWsaEconnreset)}},
        {"PeerClosed", plat::kWaitReady, {linktest::PeerClosed()}},
        {"PeerClosedMidReply", plat::kWaitReady, {RecvBytes(Bytes(9, 2)), linktest::PeerClosed()}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fake_.net() = linktest::FakeNet{};
        fake_.net().waits = {c.wait};
        fake_.net().recv.assign(c.recv.begin(), c.recv.end());
        st_->socket = kFakeSocket;
        st_->lastSupervision = 4242;
        EXPECT_EQ(Run(), kLinkNotConnected);
        EXPECT_EQ(st_->socket, plat::kNoSocket);
        EXPECT_EQ(fake_.net().closed.size(), 1u);
        EXPECT_EQ(st_->lastSupervision, 0u);
        EXPECT_TRUE(LockFree(st_->lock));
    }
}

TEST_F(TransactFake, SendFailureClosesTheStation) {
    fake_.net().send = {linktest::Fails(plat::kWsaEwouldblock), linktest::SendAccepts(10),
                        linktest::Fails(plat::kWsaEshutdown)};
    EXPECT_EQ(Run(), kLinkNotConnected);
    EXPECT_EQ(st_->socket, plat::kNoSocket);
    EXPECT_EQ(st_->lastSupervision, 0u);
    // The would-block waited for the socket to take bytes; nothing waited for a reply.
    EXPECT_EQ(fake_.net().waitForWrite, std::vector<bool>{true});
    EXPECT_TRUE(log_.Has("Ordax : Send message errno 10058 0x274A", kLevelError));
}

TEST_F(TransactFake, RefusalsBeforeSendingAnything) {
    st_->socket = plat::kNoSocket;
    EXPECT_EQ(Run(), kLinkNotConnected);
    EXPECT_EQ(st_->tns, 99) << "no request was built";

    st_->socket = kFakeSocket;
    txn_.function = 6;
    EXPECT_EQ(Run(), kLinkBadFunction);
    txn_.function = ReadWords;
    txn_.count = kMaxReadWords + 1;
    EXPECT_EQ(Run(), kLinkBadCount);
    EXPECT_EQ(st_->tns, 99);
    st_->plcType = kSlc5;
    txn_.count = 1;
    txn_.fileType = kFileP;
    EXPECT_EQ(Run(), kLinkBadFileType);
    EXPECT_EQ(st_->tns, 100);
    EXPECT_EQ(fake_.net().sendCalls, 0);
    EXPECT_EQ(st_->socket, kFakeSocket);
    EXPECT_TRUE(LockFree(st_->lock));
}

// Runs Transact on another thread while this thread holds the station's
// lock: a call that must not take the lock returns anyway.
int RunWhileLocked(DriverContext &ctx, Transaction &txn, StationEntry &st) {
    plat::LockEnter(&st.lock);
    auto result = std::async(std::launch::async, [&] { return Transact(ctx, txn, nullptr); });
    const bool ready = result.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    plat::LockLeave(&st.lock);
    EXPECT_TRUE(ready) << "Transact waited for the lock";
    return result.get();
}

TEST_F(TransactFake, ClosedChannelAndUnconfiguredStationTakeNoLock) {
    ctx_->timers.loopSleep = 5000;
    ctx_->channelOpen = 0;
    EXPECT_EQ(RunWhileLocked(*ctx_, txn_, *st_), kLinkNotOpen);
    ctx_->channelOpen = 1;
    st_->plcType = kPlcNone;
    EXPECT_EQ(RunWhileLocked(*ctx_, txn_, *st_), kLinkNotConfigured);
    txn_.station = 100;
    EXPECT_EQ(Run(), kLinkNotConfigured);
    EXPECT_EQ(fake_.net().sendCalls, 0);
    EXPECT_EQ(st_->socket, kFakeSocket);
}

// The lock rule is a type: a caller holding the lock says so with
// StationLockHeld, no flag stands in for it, and the link takes a gate's
// name, not the host's record.
template <class... Rule>
constexpr bool kTransactTakes = requires(DriverContext &c, Transaction &t, Rule... rule) {
    Transact(c, t, "", rule...);
};
static_assert(kTransactTakes<> && kTransactTakes<StationLockHeld>);
static_assert(!kTransactTakes<int> && !kTransactTakes<bool>);
template <class Name>
constexpr bool kBuildTakes = requires(DriverContext &c, Transaction &t, Name name) {
    BuildPcccRequest(c, t, name, kStationLockHeld);
};
static_assert(kBuildTakes<const char *> && !kBuildTakes<const GateAccess *>);

TEST_F(TransactFake, CallerHeldLockIsLeftHeld) {
    Queue(Reply(100, 0, {1, 0, 2, 0, 3, 0}));
    plat::LockEnter(&st_->lock);
    EXPECT_EQ(Transact(*ctx_, txn_, nullptr, kStationLockHeld), kLinkOk);
    EXPECT_FALSE(LockFree(st_->lock));
    plat::LockLeave(&st_->lock);
    EXPECT_TRUE(LockFree(st_->lock));
}

}  // namespace
