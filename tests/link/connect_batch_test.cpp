// A station's connection attempt, as the channel thread's walk makes it
// through its batch, on scripted sockets: every step's failure with its
// message and the session handshake. The same attempts on loopback are in
// transact_sim_test.cpp and tests/stations.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "link/encap.h"
#include "platform/clock.h"
#include "platform/sockerr.h"
#include "testkit/channel_block.h"
#include "testkit/fake_sockets.h"
#include "testkit/messages.h"
#include "tests/link/link_fixture.h"

namespace {

using namespace ordax;
using linktest::Bytes;
using linktest::Frame;
using linktest::kFakeSocket;
using linktest::RecvBytes;

// Session reply with the given status and handle bytes.
Bytes SessionReply(std::uint16_t dataLength = 0, std::uint8_t status = 0) {
    Bytes reply = Frame(dataLength, Bytes(dataLength, 0x33));
    reply[1] = 1;
    reply[4] = 0x10;
    reply[5] = 0x20;
    reply[6] = 0x30;
    reply[7] = 0x40;
    reply[11] = status;
    return reply;
}

class Connect : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = linktest::NewContext();
        st_ = &linktest::Configure(*ctx_, 4, kPlc5, "10.1.2.3");
        std::memset(st_->session, 0x77, 4);
        ctx_->timers.connectTimeout = 50;
        ctx_->timers.sessionTimeout = 50;
    }
    int Open() { return ordax_test::ConnectStation(*ctx_, 4) ? 0 : 1; }
    // The attempt failed after `stepMessage` (level `level`), with the
    // closing message and the socket closed (if one was made).
    void ExpectFailure(const std::string &stepMessage, int level, bool socketMade = true) {
        EXPECT_EQ(st_->socket, plat::kNoSocket);
        EXPECT_EQ(Bytes(st_->session, st_->session + 4), Bytes(4, 0x77));
        auto all = log_.All();
        ASSERT_EQ(all.size(), 2u);
        EXPECT_EQ(all[0].text, stepMessage);
        EXPECT_EQ(all[0].level, level);
        EXPECT_EQ(all[1].text, std::string("Ordax : Failure connecting to ") + st_->address);
        EXPECT_EQ(all[1].level, kLevelError);
        EXPECT_EQ(fake_.net().closed.size(), socketMade ? 1u : 0u);
        log_.Clear();
        fake_.net().closed.clear();
    }
    linktest::FakeSockets fake_;
    ordax_test::MessageCapture log_;
    std::unique_ptr<DriverContext> ctx_;
    StationEntry *st_ = nullptr;
};

TEST_F(Connect, SuccessStoresSocketAndSessionAsReceived) {
    fake_.net().recv = {RecvBytes(SessionReply(4, 0x65))};  // non-zero status still counts
    ctx_->timers.sessionTimeout = 1234;
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(st_->socket, kFakeSocket);
    EXPECT_EQ(linktest::Hex(Bytes(st_->session, st_->session + 4)), "10 20 30 40");
    EXPECT_EQ(linktest::Hex(fake_.net().sent),
              "01 01 00 00 00 00 00 00 00 00 00 00 00 04 00 05 "
              "00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(fake_.net().connectPort, 2222);
    EXPECT_EQ(fake_.net().connectAddr, ::inet_addr("10.1.2.3"));
    EXPECT_TRUE(fake_.net().lookups.empty());
    ASSERT_EQ(fake_.net().waitTimeouts.size(), 1u);
    EXPECT_LE(fake_.net().waitTimeouts[0], 1234u) << "the session reply's time left";
    EXPECT_GT(fake_.net().waitTimeouts[0], 234u);
    EXPECT_TRUE(fake_.net().closed.empty());
    auto all = log_.All();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].text, "Ordax : Connected to 10.1.2.3");
    EXPECT_EQ(all[0].level, kLevelDetail);
}

// A text inet_addr takes is connected to as it comes out, without a lookup;
// any other text is a host name, dots or not. The broadcast address and an
// empty text are never connected to, whether written so or what a name
// resolves to.
TEST_F(Connect, DottedAddressesAreConvertedAndDottedNamesLookedUp) {
    struct Row {
        const char *address;
        std::uint32_t lookupAddr;  // what a lookup answers
        int lookupError;           // non-zero: the name is not found
        bool lookedUp;
        const char *connectTo;  // nullptr: no connect, "Invalid host name"
    };
    const Row rows[] = {
        {"10.1.2.3", 0, 0, false, "10.1.2.3"},
        {"127.1", 0, 0, false, "127.0.0.1"},
        {"plc.example", ::inet_addr("10.9.8.7"), 0, true, "10.9.8.7"},
        {"plc7.line2.plant", ::inet_addr("10.9.8.6"), 0, true, "10.9.8.6"},
        {"1.2.3.4.5", 0, plat::kWsaEhostunreach, true, nullptr},
        {"plc9.line2.invalid", 0, plat::kWsaEhostunreach, true, nullptr},
        {"plc.broadcast", plat::kInetNone, 0, true, nullptr},
        {"255.255.255.255", plat::kInetNone, 0, false, nullptr},
        {"plcnode", ::inet_addr("10.9.8.5"), 0, true, "10.9.8.5"},
        {"plcnode", 0, plat::kWsaEhostunreach, true, nullptr},
        // A node line `05=192.168.1.50,` leaves the standby empty; Windows
        // would resolve "" to this PC.
        {"", 0, 0, false, nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.address);
        fake_.net() = ordax_test::FakeNet{};
        fake_.net().lookupAddr = row.lookupAddr;
        fake_.net().lookupError = row.lookupError;
        fake_.net().recv = {RecvBytes(SessionReply())};
        std::strcpy(st_->address, row.address);
        st_->socket = plat::kNoSocket;
        std::memset(st_->session, 0x77, 4);
        log_.Clear();
        EXPECT_EQ(Open(), row.connectTo != nullptr ? 0 : 1);
        EXPECT_EQ(fake_.net().lookups, row.lookedUp ? std::vector<std::string>{row.address}
                                                    : std::vector<std::string>{});
        if (row.connectTo != nullptr) {
            EXPECT_EQ(fake_.net().connectCalls, 1);
            EXPECT_EQ(fake_.net().connectAddr, ::inet_addr(row.connectTo));
        } else {
            EXPECT_EQ(fake_.net().connectCalls, 0);
            ExpectFailure(std::string("Ordax : Invalid host name: ") + row.address, kLevelError);
        }
    }
}

TEST_F(Connect, UnterminatedAddressFieldIsCutToItsLength) {
    std::memset(st_->address, 'a', sizeof st_->address);
    fake_.net().lookupError = plat::kWsaEhostunreach;
    EXPECT_EQ(Open(), 1);
    ASSERT_EQ(fake_.net().lookups.size(), 1u);
    EXPECT_EQ(fake_.net().lookups[0], std::string(31, 'a'));
}

TEST_F(Connect, SocketSetupFailures) {
    fake_.net().createResult = plat::kNoSocket;
    EXPECT_EQ(Open(), 1);
    ExpectFailure(" Ordax : Unable to allocate socket for station at IP 10.1.2.3", kLevelError,
                  false);
    fake_.net().createResult = kFakeSocket;

    fake_.net().keepAliveError = plat::kWsaEnoprotoopt;
    EXPECT_EQ(Open(), 1);
    ExpectFailure("Ordax : Errno 10042 0x273A setting socket options for station at IP 10.1.2.3",
                  kLevelError);
    fake_.net().keepAliveError = 0;

    fake_.net().nonBlockingError = plat::kWsaEinval;
    EXPECT_EQ(Open(), 1);
    ExpectFailure("Ordax : Failure setting ioctl for station at IP 10.1.2.3", kLevelError);
    EXPECT_EQ(fake_.net().connectCalls, 0);
}

TEST_F(Connect, BindFailuresByErrorNumber) {
    const std::pair<int, const char *> cases[] = {
        {plat::kWsaEbadf, "Ordax : Bind invalid socket descriptor error"},
        {plat::kWsaEinval, "Ordax : Bind socket already bound error"},
        {plat::kWsaEafnosupport, "Ordax : Bind AF not supported error"},
        {plat::kWsaEaddrinuse, "Ordax : Bind address in use error"},
        {plat::kWsaEaddrnotavail, "Ordax : Bind address not available error"},
        {plat::kWsaEacces, "Ordax : Bind unknown error code 10013 0x271D"},
    };
    for (const auto &c : cases) {
        fake_.net().bindError = c.first;
        EXPECT_EQ(Open(), 1);
        ExpectFailure(c.second, kLevelError);
    }
    EXPECT_EQ(fake_.net().connectCalls, 0);
}

TEST_F(Connect, ConnectFailuresByErrorNumber) {
    const std::pair<int, const char *> cases[] = {
        {plat::kWsaEbadf, "Ordax : connect invalid socket desriptor"},
        {plat::kWsaEnotsock, "Ordax : socket connect invalid socket descriptor"},
        {plat::kWsaEafnosupport, "Ordax : connect AF protocol not supported"},
        {plat::kWsaEaddrinuse, "Ordax : connect address already in use error"},
        {plat::kWsaEaddrnotavail, "Ordax : connect address not available"},
        {plat::kWsaEnetunreach, "Ordax : socket connect network is unreachable"},
        {plat::kWsaEtimedout, "Ordax : socket connect timed out"},
        {plat::kWsaEconnrefused,
         "Ordax : socket connect attempt to connected was forcefully refused"},
        {plat::kWsaEhostunreach, "Ordax : socket connect unknown error code 10065 0x2751"},
        {plat::kWsaEacces, "Ordax : socket connect unknown error code 10013 0x271d"},
    };
    for (const auto &c : cases) {
        fake_.net().connectError = c.first;
        EXPECT_EQ(Open(), 1);
        ExpectFailure(c.second, kLevelDetail);
    }
    EXPECT_TRUE(fake_.net().waitTimeouts.empty());
}

TEST_F(Connect, PendingConnectCodesWaitForWritable) {
    ctx_->timers.connectTimeout = 2500;
    for (int code :
         {plat::kWsaEwouldblock, plat::kWsaEinprogress, plat::kWsaEalready, plat::kWsaEisconn}) {
        fake_.net() = linktest::FakeNet{};
        fake_.net().connectError = code;
        fake_.net().recv = {RecvBytes(SessionReply())};
        st_->socket = plat::kNoSocket;
        EXPECT_EQ(Open(), 0) << code;
        ASSERT_EQ(fake_.net().waitTimeouts.size(), 2u);
        EXPECT_LE(fake_.net().waitTimeouts[0], 2500u) << "the connect's time left";
        EXPECT_GT(fake_.net().waitTimeouts[0], 1500u);
        EXPECT_TRUE(fake_.net().waitForWrite[0]);
        EXPECT_FALSE(fake_.net().waitForWrite[1]);
    }
}

TEST_F(Connect, PendingConnectWaitOutcomes) {
    fake_.net().connectError = plat::kWsaEinprogress;
    fake_.net().waits = {plat::kWaitTimedOut};
    EXPECT_EQ(Open(), 1);
    ExpectFailure("Ordax : connect select timeout", kLevelDetail);

    fake_.net().waits = {plat::kWaitFailed};
    fake_.net().waitError = plat::kWsaEinval;
    EXPECT_EQ(Open(), 1);
    ExpectFailure("Ordax : connect select Errno 10022 0x2726", kLevelDetail);
    EXPECT_EQ(fake_.net().sendCalls, 0);
    EXPECT_EQ(fake_.net().connectErrorCalls, 0) << "the error is asked only after a ready wait";
}

// A pending connect whose wait ends is only made when the socket's error is
// 0; otherwise the error is named as an immediate connect failure would be,
// and no session request is sent.
TEST_F(Connect, PendingConnectFailuresAreNamedByTheSocketsError) {
    const std::pair<int, const char *> cases[] = {
        {plat::kWsaEconnrefused,
         "Ordax : socket connect attempt to connected was forcefully refused"},
        {plat::kWsaEtimedout, "Ordax : socket connect timed out"},
        {plat::kWsaEnetunreach, "Ordax : socket connect network is unreachable"},
        {plat::kWsaEhostunreach, "Ordax : socket connect unknown error code 10065 0x2751"},
    };
    fake_.net().connectError = plat::kWsaEwouldblock;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        fake_.net().pendingConnectError = c.first;
        EXPECT_EQ(Open(), 1);
        ExpectFailure(c.second, kLevelDetail);
    }
    EXPECT_EQ(fake_.net().connectErrorCalls, 4);
    EXPECT_EQ(fake_.net().sendCalls, 0);
}

TEST_F(Connect, SessionSendFailure) {
    fake_.net().send = {linktest::Fails(plat::kWsaEconnreset)};
    EXPECT_EQ(Open(), 1);
    auto all = log_.All();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].text, "Ordax : Send message errno 10054 0x2746");
    EXPECT_EQ(all[1].text, "Ordax : session connect send failed");
    EXPECT_EQ(all[1].level, kLevelDetail);
    EXPECT_EQ(all[2].text, "Ordax : Failure connecting to 10.1.2.3");
    EXPECT_EQ(st_->socket, plat::kNoSocket);
    EXPECT_EQ(fake_.net().closed.size(), 1u);
}

TEST_F(Connect, SessionReplyLimits) {
    fake_.net().recv = {RecvBytes(SessionReply(15))};
    EXPECT_EQ(Open(), 0) << "15 data bytes fit the 43-byte buffer";
    st_->socket = plat::kNoSocket;
    std::memset(st_->session, 0x77, 4);

    fake_.net().recv = {RecvBytes(SessionReply(16))};
    log_.Clear();
    EXPECT_EQ(Open(), 1);
    auto all = log_.All();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].text, "Ordax : Receive Message length exceeds buffer limits");
    EXPECT_EQ(all[1].text, "Ordax : session establish received failed");
    EXPECT_EQ(all[1].level, kLevelDetail);
    EXPECT_EQ(st_->socket, plat::kNoSocket);
    EXPECT_EQ(Bytes(st_->session, st_->session + 4), Bytes(4, 0x77));
}

TEST_F(Connect, SessionNeverAnswered) {
    fake_.net().waits = {plat::kWaitTimedOut};
    EXPECT_EQ(Open(), 1);
    ExpectFailure("Ordax : session establish received failed", kLevelDetail);
}

}  // namespace
