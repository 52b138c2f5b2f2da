// The socket operations against real loopback sockets.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/sockerr.h"
#include "platform/socket.h"
#include "tests/support/loopback_listener.h"

namespace {

using plat::Sockets;

std::uint32_t Addr(const char *ip) {
    return Sockets().inetAddr(ip);
}

// A TCP socket that is closed when the test ends.
struct OwnedSocket {
    plat::Socket s = Sockets().createTcp();
    ~OwnedSocket() { Sockets().close(s); }
};

// A connected pair: our socket through the platform layer, the peer raw.
struct Connection {
    ordax_test::LoopbackListener listener{"127.0.0.1", 0};
    OwnedSocket ours;
    int peer = -1;
    Connection() {
        EXPECT_TRUE(listener.ok());
        EXPECT_EQ(Sockets().connect(ours.s, Addr("127.0.0.1"), listener.Port()), 0);
        peer = listener.Accept();
        EXPECT_GE(peer, 0);
    }
    ~Connection() {
        if (peer >= 0) ::close(peer);
    }
};

TEST(Sockets, ConnectToClosedPortIsRefused) {
    // Nothing listens on this loopback address.
    OwnedSocket sock;
    ASSERT_NE(sock.s, plat::kNoSocket);
    EXPECT_EQ(Sockets().connect(sock.s, Addr("127.0.0.60"), 2222), -1);
    EXPECT_EQ(Sockets().lastError(), plat::kWsaEconnrefused);
}

// A refused non-blocking connect ends its wait at once, and the socket's
// error names the refusal with the Windows Sockets number.
TEST(Sockets, NonBlockingRefusalEndsTheWaitWithTheSocketsError) {
    OwnedSocket sock;
    ASSERT_EQ(Sockets().setNonBlocking(sock.s), 0);
    if (Sockets().connect(sock.s, Addr("127.0.0.60"), 2222) == 0) FAIL() << "connected";
    if (Sockets().lastError() == plat::kWsaEconnrefused) return;  // known at once
    ASSERT_EQ(Sockets().lastError(), plat::kWsaEinprogress);
    EXPECT_EQ(Sockets().wait(sock.s, true, 30000), plat::kWaitReady);
    EXPECT_EQ(Sockets().connectError(sock.s), plat::kWsaEconnrefused);
}

TEST(Sockets, NonBlockingConnectCompletesThroughTheWait) {
    ordax_test::LoopbackListener listener("127.0.0.1", 0);
    ASSERT_TRUE(listener.ok());
    OwnedSocket sock;
    ASSERT_EQ(Sockets().setKeepAlive(sock.s), 0);
    ASSERT_EQ(Sockets().setNonBlocking(sock.s), 0);
    ASSERT_EQ(Sockets().bindAny(sock.s), 0);
    int rc = Sockets().connect(sock.s, Addr("127.0.0.1"), listener.Port());
    if (rc != 0) {
        int code = Sockets().lastError();
        EXPECT_TRUE(code == plat::kWsaEinprogress || code == plat::kWsaEwouldblock) << code;
    }
    EXPECT_EQ(Sockets().wait(sock.s, true, 2000), plat::kWaitReady);
    EXPECT_EQ(Sockets().connectError(sock.s), 0);
    int peer = listener.Accept();
    ASSERT_GE(peer, 0);
    ::close(peer);
}

TEST(Sockets, ReadWaitTimesOutWhenNothingArrives) {
    Connection c;
    EXPECT_EQ(Sockets().wait(c.ours.s, false, 50), plat::kWaitTimedOut);
}

TEST(Sockets, RecvOnEmptyNonBlockingSocketWouldBlock) {
    Connection c;
    ASSERT_EQ(Sockets().setNonBlocking(c.ours.s), 0);
    char byte = 0;
    EXPECT_EQ(Sockets().recv(c.ours.s, &byte, 1), -1);
    EXPECT_EQ(Sockets().lastError(), plat::kWsaEwouldblock);
}

TEST(Sockets, SendRecvRoundTripAndPeerClose) {
    Connection c;
    const char hello[] = "hello";
    EXPECT_EQ(Sockets().send(c.ours.s, hello, 5), 5);
    char got[8] = {};
    ASSERT_EQ(::recv(c.peer, got, sizeof got, 0), 5);
    EXPECT_STREQ(got, "hello");
    ASSERT_EQ(::send(c.peer, "abc", 3, 0), 3);
    EXPECT_EQ(Sockets().wait(c.ours.s, false, 2000), plat::kWaitReady);
    char back[4] = {};
    EXPECT_EQ(Sockets().recv(c.ours.s, back, 3), 3);
    EXPECT_EQ(std::string(back, 3), "abc");
    ::close(c.peer);
    c.peer = -1;
    // A closed peer makes the socket readable and recv report 0 bytes.
    EXPECT_EQ(Sockets().wait(c.ours.s, false, 2000), plat::kWaitReady);
    EXPECT_EQ(Sockets().recv(c.ours.s, back, 3), 0);
}

TEST(Sockets, SendToClosedPeerFailsWithoutSignal) {
    Connection c;
    ::close(c.peer);
    c.peer = -1;
    char buffer[4096] = {};
    int rc = 0;
    for (int i = 0; i < 50 && rc >= 0; ++i) rc = Sockets().send(c.ours.s, buffer, sizeof buffer);
    EXPECT_EQ(rc, -1);
    int code = Sockets().lastError();
    EXPECT_TRUE(code == plat::kWsaEconnreset || code == plat::kWsaEshutdown) << code;
}

TEST(Sockets, WaitOnClosedDescriptorFails) {
    plat::Socket s = Sockets().createTcp();
    Sockets().close(s);
    EXPECT_EQ(Sockets().wait(s, false, 10), plat::kWaitFailed);
    EXPECT_EQ(Sockets().lastError(), plat::kWsaEnotsock);
}

TEST(Names, DottedConversionAndLookup) {
    EXPECT_EQ(Sockets().inetAddr("127.0.0.1"), htonl(0x7F000001u));
    EXPECT_EQ(Sockets().inetAddr("192.168.1.50"), htonl(0xC0A80132u));
    EXPECT_EQ(Sockets().inetAddr("plc.local.x"), plat::kInetNone);
    std::uint32_t addr = 0;
    ASSERT_EQ(Sockets().lookupHost("localhost", &addr), 0);
    EXPECT_EQ(ntohl(addr) >> 24, 127u);
    EXPECT_NE(Sockets().lookupHost("ordax-no-such-host-zz9", &addr), 0);
    addr = 0x01020304u;
    EXPECT_NE(Sockets().lookupHost("", &addr), 0) << "an empty name is no name";
    EXPECT_EQ(addr, 0x01020304u);
}

struct ErrnoCase {
    int errnoValue;
    int wsa;
};

class ErrnoMapping : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(ErrnoMapping, MapsConditionNotNumber) {
    EXPECT_EQ(plat::SockErrFromErrno(GetParam().errnoValue), GetParam().wsa);
}

// Linux numbers differ from BSD's (ECONNREFUSED is 111, not 61), so these
// would all be wrong as 10000 + errno.
INSTANTIATE_TEST_SUITE_P(
    Linux, ErrnoMapping,
    ::testing::Values(ErrnoCase{0, 0}, ErrnoCase{EWOULDBLOCK, 10035}, ErrnoCase{EAGAIN, 10035},
                      ErrnoCase{EINPROGRESS, 10036}, ErrnoCase{EALREADY, 10037},
                      ErrnoCase{ENOTSOCK, 10038}, ErrnoCase{EAFNOSUPPORT, 10047},
                      ErrnoCase{EADDRINUSE, 10048}, ErrnoCase{EADDRNOTAVAIL, 10049},
                      ErrnoCase{ENETUNREACH, 10051}, ErrnoCase{ECONNRESET, 10054},
                      ErrnoCase{EISCONN, 10056}, ErrnoCase{ETIMEDOUT, 10060},
                      ErrnoCase{ECONNREFUSED, 10061}, ErrnoCase{EHOSTUNREACH, 10065},
                      ErrnoCase{EBADF, 10009}, ErrnoCase{EINVAL, 10022}, ErrnoCase{EDOM, 10107}));

}  // namespace
