// Sessions, encapsulation refusals and every switchable fault.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <chrono>
#include <mutex>
#include <thread>

#include "tests/plcsim/fixture.h"

namespace plcsim_test {
namespace {

using Clock = std::chrono::steady_clock;

class Faults : public SimTest {
protected:
    static int64_t MsSince(Clock::time_point t) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
    }
};

TEST_F(Faults, SessionReplyAssignsANonZeroHandlePerConnection) {
    IndependentClient a, b;
    Bytes ra, rb;
    ASSERT_TRUE(a.Connect(kPlc5Ip));
    ASSERT_TRUE(a.OpenSession(&ra));
    ASSERT_TRUE(b.Connect(kPlc5Ip));
    ASSERT_TRUE(b.OpenSession(&rb));
    ASSERT_EQ(ra.size(), 28u);
    EXPECT_EQ(ra[0], 2);
    EXPECT_EQ(ra[1], 1);
    EXPECT_EQ(Be16(ra, 2), 0);
    EXPECT_EQ(Be32(ra, 8), 0u);
    EXPECT_EQ(Be32(ra, 12), 0x00040005u);
    EXPECT_NE(Be32(ra, 4), 0u);
    EXPECT_NE(Be32(ra, 4), Be32(rb, 4));
    EXPECT_EQ(plc5().counters().sessions, 2u);
    // Each connection must use its own handle: b's handle on a is refused.
    Bytes frame = PcccFrame(b.session(), 1, Plc5Read(1, 7, 0, 1));
    Bytes r;
    ASSERT_TRUE(a.Send(frame));
    ASSERT_TRUE(a.ReadFrame(r));
    EXPECT_EQ(Be32(r, 8), 0x64u);
}

TEST_F(Faults, PcccWithoutSessionGetsStatus0x64AndNoPcccReply) {
    IndependentClient c;
    ASSERT_TRUE(c.Connect(kPlc5Ip));
    const uint8_t none[4] = {0, 0, 0, 0};
    Bytes r;
    ASSERT_TRUE(c.Send(PcccFrame(none, 9, Plc5Read(9, 7, 0, 1))));
    ASSERT_TRUE(c.ReadFrame(r));
    EXPECT_EQ(r.size(), 28u);
    EXPECT_EQ(r[0], 2);
    EXPECT_EQ(Be32(r, 8), 0x64u);
    EXPECT_EQ(Be32(r, 12), 9u);  // context echoed
    EXPECT_EQ(plc5().counters().badSession, 1u);
    // The connection stays usable once a session exists.
    ASSERT_TRUE(c.OpenSession());
    ASSERT_TRUE(c.Exchange(Plc5Read(10, 7, 0, 1), r));
    EXPECT_EQ(Be32(r, 8), 0u);
    EXPECT_EQ(ReplyTns(r), 10);
}

TEST_F(Faults, UnsupportedEncapsulationCommandAndTooShortData) {
    IndependentClient c;
    ASSERT_TRUE(c.Open(kSlcIp));
    Bytes f = SessionRequest();
    f[1] = 0x65;
    Bytes r;
    ASSERT_TRUE(c.Send(f));
    ASSERT_TRUE(c.ReadFrame(r));
    EXPECT_EQ(Be32(r, 8), 0x01u);
    f = PcccFrame(c.session(), 1, {0x0F, 0x00});
    ASSERT_TRUE(c.Send(f));
    ASSERT_TRUE(c.ReadFrame(r));
    EXPECT_EQ(r.size(), 28u);
    EXPECT_EQ(Be32(r, 8), 0x65u);
}

TEST_F(Faults, ReplyDelayHoldsThisStationOnly) {
    plc5().SetReplyDelay(400);
    IndependentClient p, s;
    ASSERT_TRUE(p.Open(kPlc5Ip));
    ASSERT_TRUE(s.Open(kSlcIp));
    ASSERT_TRUE(p.Send(PcccFrame(p.session(), 1, Plc5Read(1, 7, 0, 1))));
    auto t0 = Clock::now();
    Bytes r;
    ASSERT_TRUE(s.Exchange(SlcRead(1, 7, 0x89, 0, 2), r));  // not held up by the PLC-5's delay
    EXPECT_LT(MsSince(t0), 300);
    EXPECT_TRUE(p.Silent(150));
    ASSERT_TRUE(p.ReadFrame(r, 3000));
    EXPECT_GE(MsSince(t0), 350);
    EXPECT_EQ(ReplyTns(r), 1);
}

TEST_F(Faults, SwallowLeavesTheNextRequestsUnanswered) {
    plc5().SwallowNext(2);
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    Bytes r;
    EXPECT_FALSE(c.Exchange(Plc5Read(1, 7, 0, 1), r, 200));
    EXPECT_FALSE(c.Exchange(Plc5Read(2, 7, 0, 1), r, 200));
    ASSERT_TRUE(c.Exchange(Plc5Read(3, 7, 0, 1), r));
    EXPECT_EQ(ReplyTns(r), 3);
    EXPECT_EQ(plc5().counters().swallowed, 2u);
}

TEST_F(Faults, PreRepliesComeBeforeTheRightReply) {
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    Bytes bad, good;
    plc5().SetPreReply(plcsim::PreReply::WrongTns);
    ASSERT_TRUE(c.Exchange(Plc5Read(0x20, 7, 0, 1), bad));
    ASSERT_TRUE(c.ReadFrame(good));
    EXPECT_NE(ReplyTns(bad), 0x20);
    EXPECT_EQ(ReplyTns(good), 0x20);
    plc5().SetPreReply(plcsim::PreReply::Mode1);
    ASSERT_TRUE(c.Exchange(Plc5Read(0x21, 7, 0, 1), bad));
    ASSERT_TRUE(c.ReadFrame(good));
    EXPECT_EQ(bad[0], 1);
    EXPECT_EQ(good[0], 2);
    plc5().SetPreReply(plcsim::PreReply::BadStatus, -1);
    for (uint16_t tns = 0x22; tns < 0x24; ++tns) {
        ASSERT_TRUE(c.Exchange(Plc5Read(tns, 7, 0, 1), bad));
        ASSERT_TRUE(c.ReadFrame(good));
        EXPECT_NE(Be32(bad, 8), 0u);
        EXPECT_EQ(Be32(good, 8), 0u);
        EXPECT_EQ(ReplyTns(good), tns);
    }
    plc5().SetPreReply(plcsim::PreReply::None);
    ASSERT_TRUE(c.Exchange(Plc5Read(0x30, 7, 0, 1), good));
    EXPECT_EQ(ReplyTns(good), 0x30);
    EXPECT_TRUE(c.Silent(100));
}

TEST_F(Faults, SplitSendsPiecesWithPausesHeaderIncluded) {
    plc5().SetSplit({10, 8}, 120);
    IndependentClient c;
    ASSERT_TRUE(c.Connect(kPlc5Ip));
    ASSERT_TRUE(c.Send(SessionRequest()));
    Bytes part;
    ASSERT_TRUE(c.ReadExact(10, part));
    EXPECT_TRUE(c.Silent(60));  // the rest of the header comes after the pause
    Bytes rest;
    ASSERT_TRUE(c.ReadExact(18, rest));
    part.insert(part.end(), rest.begin(), rest.end());
    for (int i = 0; i < 4; ++i)
        const_cast<uint8_t *>(c.session())[i] = part[static_cast<size_t>(4 + i)];
    Bytes r;
    auto t0 = Clock::now();
    ASSERT_TRUE(c.Exchange(Plc5Read(1, 7, 0, 1), r));
    EXPECT_GE(MsSince(t0), 400);  // 10, 8, 8, 8, 4: five pieces, four pauses of 120 ms
    EXPECT_EQ(r.size(), 38u);
    EXPECT_EQ(ReplyTns(r), 1);
}

// Reads one frame and returns the sizes of the pieces it arrived in. Each piece is one send on
// loopback, so one read returns one piece as long as the reads keep up with the pauses.
std::vector<size_t> ReadPieces(IndependentClient &c) {
    std::vector<size_t> sizes;
    Bytes got;
    while (got.size() < 28 || got.size() < 28u + Be16(got, 2)) {
        pollfd p{c.fd(), POLLIN, 0};
        if (poll(&p, 1, 3000) <= 0) break;
        uint8_t buf[4096];
        ssize_t n = recv(c.fd(), buf, sizeof buf, 0);
        if (n <= 0) break;
        got.insert(got.end(), buf, buf + n);
        sizes.push_back(static_cast<size_t>(n));
    }
    return sizes;
}

// True when the reads add up to the pieces and each read ends where a
// piece ends.
bool ReadsEndAtPieceEnds(const std::vector<size_t> &reads, const std::vector<size_t> &pieces) {
    size_t readEnd = 0;
    size_t pieceEnd = 0;
    size_t next = 0;
    for (size_t r : reads) {
        readEnd += r;
        while (pieceEnd < readEnd && next < pieces.size()) pieceEnd += pieces[next++];
        if (pieceEnd != readEnd) return false;
    }
    return next == pieces.size();
}

TEST_F(Faults, SplitRepeatsTheLastPieceSizeToTheEndOfTheFrame) {
    using Sizes = std::vector<size_t>;
    constexpr int kPauseMs = 60;
    struct Case {
        Sizes split;
        bool sessionReply;  // the 28-byte session reply, else a 38-byte one-word read reply
        Sizes seen;
    };
    const Case cases[] = {
        {{1}, true, Sizes(28, 1)},
        {{5}, true, {5, 5, 5, 5, 5, 3}},
        {{4, 24}, true, {4, 24}},  // fits exactly: no empty last piece
        {{3, 10}, false, {3, 10, 10, 10, 5}},
        {{10, 18}, false, {10, 18, 10}},
        {{2, 30, 6}, false, {2, 30, 6}},
        {{20, 1, 7}, false, {20, 1, 7, 7, 3}},
        {{38}, false, {38}},
        {{100}, false, {38}},
        {{0, 7}, false, {7, 7, 7, 7, 7, 3}},  // sizes of 0 are ignored
        {{0}, false, {38}},                   // nothing left: whole frames
        {{}, false, {38}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(::testing::PrintToString(k.split) + (k.sessionReply ? " session" : " read"));
        plc5().SetSplit({}, 0);
        IndependentClient c;
        Bytes frame;
        if (k.sessionReply) {
            ASSERT_TRUE(c.Connect(kPlc5Ip));
            frame = SessionRequest();
        } else {
            ASSERT_TRUE(c.Open(kPlc5Ip));
            frame = PcccFrame(c.session(), 1, Plc5Read(1, 7, 0, 1));
        }
        plc5().SetSplit(k.split, kPauseMs);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(c.Send(frame));
        const Sizes got = ReadPieces(c);
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        // A busy machine may join pieces in one read but never cuts them
        // elsewhere, and every pause between them has passed.
        EXPECT_TRUE(ReadsEndAtPieceEnds(got, k.seen)) << ::testing::PrintToString(got);
        // (The simulator's pauses run on its loop's millisecond timer.)
        EXPECT_GE(elapsed, static_cast<long>(k.seen.size() - 1) * (kPauseMs - 10));
        EXPECT_TRUE(c.Silent(100));  // nothing beyond the frame
    }
}

TEST_F(Faults, CloseAfterBytesCutsTheNextReply) {
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    plc5().CloseAfterBytes(20);
    ASSERT_TRUE(c.Send(PcccFrame(c.session(), 1, Plc5Read(1, 7, 0, 1))));
    Bytes got;
    EXPECT_TRUE(c.ReadExact(20, got));
    EXPECT_TRUE(c.ClosedByPeer());
    IndependentClient d;
    ASSERT_TRUE(d.Open(kPlc5Ip));
    Bytes r;
    EXPECT_TRUE(d.Exchange(Plc5Read(2, 7, 0, 1), r));  // one-shot
}

// A stalled station sends the first bytes of its session reply and then
// nothing, on this connection and on every new one, while it stays open.
TEST_F(Faults, StallSendsPartOfTheSessionReplyThenHoldsTheConnection) {
    plc5().StallAfterBytes(10);
    for (int conn = 0; conn < 2; ++conn) {
        SCOPED_TRACE(conn);
        IndependentClient c;
        ASSERT_TRUE(c.Connect(kPlc5Ip));
        ASSERT_TRUE(c.Send(SessionRequest()));
        Bytes got;
        ASSERT_TRUE(c.ReadExact(10, got));
        EXPECT_EQ(got[0], 2);  // the reply's own first bytes
        EXPECT_EQ(got[1], 1);
        EXPECT_TRUE(c.Silent(200));
        ASSERT_TRUE(c.Send(SessionRequest()));  // still open, still nothing
        EXPECT_TRUE(c.Silent(200));
    }
    plc5().ClearFaults();
    IndependentClient d;
    EXPECT_TRUE(d.Open(kPlc5Ip));
}

TEST_F(Faults, RefusedConnectionsAndResume) {
    plc5().SetAccepting(false);
    IndependentClient c;
    EXPECT_FALSE(c.Connect(kPlc5Ip));
    EXPECT_EQ(c.error(), ECONNREFUSED);
    plc5().SetAccepting(true);
    EXPECT_TRUE(c.Open(kPlc5Ip));
}

// A non-blocking connect to ip:2222 that is neither answered nor refused
// within `ms`: the SYN was dropped.
bool ConnectStaysPending(const char *ip, int ms) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(2222);
    inet_pton(AF_INET, ip, &a.sin_addr);
    bool pending =
        connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 && errno == EINPROGRESS;
    pollfd p{fd, POLLOUT, 0};
    pending = pending && poll(&p, 1, ms) == 0;
    close(fd);
    return pending;
}

// A silent station, switched so or configured so, answers no connect at
// all (neither accepts nor refuses), accepts nothing, and serves again once
// it is no longer silent.
TEST_F(Faults, SilentStationLeavesConnectsPending) {
    const int quiet = sim_.AddStation({"127.0.42.4", plcsim::Family::Plc5, "", 2222, true});
    ASSERT_GE(quiet, 0) << sim_.LastError();
    plc5().SetSilent(true);
    for (plcsim::Station *st : {&plc5(), &sim_.station(quiet)}) {
        const std::string ip = st->ip();
        SCOPED_TRACE(ip);
        for (int attempt = 0; attempt < 3; ++attempt) {
            EXPECT_TRUE(ConnectStaysPending(ip.c_str(), 300)) << "attempt " << attempt;
        }
        EXPECT_EQ(st->counters().connections, 0u);
        st->SetSilent(false);
        IndependentClient c;
        EXPECT_TRUE(c.Open(ip));
        st->SetSilent(true);
        EXPECT_TRUE(ConnectStaysPending(ip.c_str(), 300)) << "silent again";
        st->ClearFaults();
        IndependentClient d;
        EXPECT_TRUE(d.Open(ip)) << "ClearFaults ends the silence";
    }
    IndependentClient other;
    EXPECT_TRUE(other.Open(kSlcIp)) << "the other stations keep serving";
}

TEST_F(Faults, DropConnectionsClosesOpenOnes) {
    IndependentClient c;
    ASSERT_TRUE(c.Open(kSlcIp));
    EXPECT_EQ(slc().counters().openConnections, 1u);
    slc().DropConnections();
    EXPECT_TRUE(c.ClosedByPeer());
    EXPECT_EQ(slc().counters().openConnections, 0u);
}

TEST_F(Faults, SilentSessionAndLongSessionReply) {
    slc().SetSessionSilent(true);
    IndependentClient c;
    ASSERT_TRUE(c.Connect(kSlcIp));
    ASSERT_TRUE(c.Send(SessionRequest()));
    EXPECT_TRUE(c.Silent(200));
    slc().SetSessionSilent(false);
    slc().SetSessionDataLength(16);
    Bytes r;
    ASSERT_TRUE(c.Connect(kSlcIp));
    ASSERT_TRUE(c.OpenSession(&r));
    EXPECT_EQ(Be16(r, 2), 16);
    EXPECT_EQ(r.size(), 44u);
    slc().ClearFaults();
    ASSERT_TRUE(c.Connect(kSlcIp));
    ASSERT_TRUE(c.OpenSession(&r));
    EXPECT_EQ(r.size(), 28u);
}

TEST_F(Faults, HotBackupPairSwapsTheMasterFlag) {
    int pair = sim_.AddHotBackupPair(plc5_, slc_);
    ASSERT_EQ(pair, 0);
    ASSERT_TRUE(plc5().SetWord(N(31, 0), 0x0007));  // bits other than 0 are kept
    sim_.SwapMaster(pair);
    sim_.SwapMaster(pair);
    EXPECT_EQ(sim_.Master(pair), plc5_);
    IndependentClient p, s;
    ASSERT_TRUE(p.Open(kPlc5Ip));
    ASSERT_TRUE(s.Open(kSlcIp));
    Bytes r;
    ASSERT_TRUE(p.Exchange(Plc5Read(1, 31, 0, 1), r));
    EXPECT_EQ(ReplyWord(r, 0), 0x0007);
    ASSERT_TRUE(s.Exchange(SlcRead(1, 31, 0x89, 0, 2), r));
    EXPECT_EQ(ReplyWord(r, 0) & 1, 0);
    ASSERT_TRUE(sim_.SwapMaster(pair));
    EXPECT_EQ(sim_.Master(pair), slc_);
    ASSERT_TRUE(p.Exchange(Plc5Read(2, 31, 0, 1), r));
    EXPECT_EQ(ReplyWord(r, 0), 0x0006);
    ASSERT_TRUE(s.Exchange(SlcRead(2, 31, 0x89, 0, 2), r));
    EXPECT_EQ(ReplyWord(r, 0) & 1, 1);
    EXPECT_FALSE(sim_.SwapMaster(5));
    EXPECT_EQ(sim_.AddHotBackupPair(plc5_, plc5_), -1);
}

TEST_F(Faults, InspectionKeepsRecentRequestsAndAWireLog) {
    std::vector<std::string> log;
    std::mutex m;
    sim_.SetWireLog([&](const std::string &s) {
        std::lock_guard<std::mutex> hold(m);
        log.push_back(s);
    });
    IndependentClient c;
    ASSERT_TRUE(c.Open(kPlc5Ip));
    Bytes r;
    ASSERT_TRUE(c.Exchange(Plc5Read(0x0102, 7, 10, 1), r));
    auto recent = plc5().LastRequests(5);
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0].decoded.commandName, "session connect");
    EXPECT_EQ(recent[1].decoded.fnc, 0x01);
    EXPECT_EQ(recent[1].reply, r);
    // The log is handed out just after the reply went out: wait for it.
    std::string all;
    for (int i = 0; i < 200 && all.find("plc -> host, 38 bytes") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard<std::mutex> hold(m);
        all.clear();
        for (const auto &s : log) all += s + "\n";
    }
    sim_.SetWireLog(nullptr);
    EXPECT_NE(all.find("0F 00 02 01 01 00 00 01 00 06 07 0A 02 00"), std::string::npos) << all;
    EXPECT_NE(all.find("word range read file 7 element 10"), std::string::npos) << all;
    EXPECT_NE(all.find("plc -> host"), std::string::npos);
    plcsim::Counters total = sim_.counters();
    EXPECT_EQ(total.requests, 1u);
    EXPECT_EQ(total.connections, 1u);
}

}  // namespace
}  // namespace plcsim_test
