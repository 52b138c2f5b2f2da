// The socket operations against real loopback sockets.
#include <arpa/inet.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sockerr.h"
#include "platform/socket.h"
#include "testkit/loopback_listener.h"

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
        EXPECT_TRUE(listener.ok()) << listener.error();
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
    ASSERT_TRUE(listener.ok()) << listener.error();
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

// A test's listener that cannot have its address ends with the address
// named and why, not with a bare failure.
TEST(Sockets, ListenerThatCannotListenNamesTheAddress) {
    ordax_test::LoopbackListener first("127.0.0.1", 0);
    ASSERT_TRUE(first.ok()) << first.error();
    const std::string taken = "127.0.0.1:" + std::to_string(first.Port());
    struct Case {
        const char *ip;
        std::uint16_t port;
        std::vector<std::string> parts;
    } cases[] = {
        {"127.0.0.1", first.Port(), {"cannot listen on " + taken + ": ", "the address is taken"}},
        {"localhost", 2222, {"cannot listen on localhost: not a dotted IPv4 address"}},
    };
    for (const Case &c : cases) {
        ordax_test::LoopbackListener second(c.ip, c.port);
        EXPECT_FALSE(second.ok()) << c.ip;
        for (const std::string &part : c.parts) {
            EXPECT_NE(second.error().find(part), std::string::npos) << second.error();
        }
    }
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

// ---- A wait for many sockets ------------------------------------------------

enum class Kind {
    kQuiet,       // a connection nothing arrives on (read wait)
    kReadable,    // a connection with a byte waiting (read wait)
    kRefused,     // a non-blocking connect nothing listens for (write wait)
    kConnecting,  // a non-blocking connect to a listener (write wait)
};

struct ManyCase {
    const char *name;
    std::vector<Kind> kinds;
    bool highDescriptors;  // every socket moved past select's 1023
};

void PrintTo(const ManyCase &c, std::ostream *os) {
    *os << c.name;
}

std::vector<Kind> Many(int quiet, std::vector<Kind> more) {
    std::vector<Kind> out(static_cast<std::size_t>(quiet), Kind::kQuiet);
    out.insert(out.end(), more.begin(), more.end());
    return out;
}

const ManyCase kManyCases[] = {
    {"AllQuietTimesOut", {Kind::kQuiet, Kind::kQuiet, Kind::kQuiet}, false},
    {"Mixed",
     {Kind::kQuiet, Kind::kRefused, Kind::kReadable, Kind::kConnecting, Kind::kQuiet},
     false},
    {"HighDescriptors", {Kind::kQuiet, Kind::kReadable, Kind::kRefused, Kind::kConnecting}, true},
    {"TwoHundred", Many(196, {Kind::kReadable, Kind::kRefused, Kind::kConnecting, Kind::kQuiet}),
     false},
};

class WaitMany : public ::testing::TestWithParam<ManyCase> {};

// Each socket is marked ready exactly when its item's direction is (a
// refusal counts, and connectError names it), whatever its descriptor; a
// wait where nothing happens returns 0 after its time-out.
TEST_P(WaitMany, MarksExactlyTheReadySockets) {
    const ManyCase &c = GetParam();
    ASSERT_LE(c.kinds.size(), static_cast<std::size_t>(plat::kMaxWaitItems));
    if (c.highDescriptors) {
        rlimit limit{};
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 1600) {
            GTEST_SKIP() << "descriptors past 1600 not allowed here";
        }
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? 4096 : limit.rlim_max;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    }
    ordax_test::LoopbackListener listener("127.0.0.1", 0);
    ASSERT_TRUE(listener.ok()) << listener.error();
    std::vector<plat::Socket> ours;
    std::vector<int> peers;
    std::vector<plat::WaitItem> items;
    for (std::size_t i = 0; i < c.kinds.size(); ++i) {
        const Kind kind = c.kinds[i];
        plat::Socket s = Sockets().createTcp();
        ASSERT_NE(s, plat::kNoSocket);
        if (c.highDescriptors) {
            const int high = 1500 + static_cast<int>(i);
            ASSERT_EQ(::dup2(s, high), high);
            ::close(s);
            s = high;
        }
        ours.push_back(s);
        const bool connecting = kind == Kind::kRefused || kind == Kind::kConnecting;
        if (connecting) {
            ASSERT_EQ(Sockets().setNonBlocking(s), 0);
        }
        const std::uint32_t to = Addr(kind == Kind::kRefused ? "127.0.0.60" : "127.0.0.1");
        const std::uint16_t port = kind == Kind::kRefused ? 2222 : listener.Port();
        const int rc = Sockets().connect(s, to, port);
        if (!connecting) {
            ASSERT_EQ(rc, 0);
        }
        if (kind != Kind::kRefused) {
            const int peer = listener.Accept();
            ASSERT_GE(peer, 0);
            peers.push_back(peer);
            if (kind == Kind::kReadable) {
                ASSERT_EQ(::send(peer, "x", 1, 0), 1);
            }
        }
        items.push_back(plat::WaitItem{s, connecting, false});
    }
    // Loopback delivers everything at once, but one wait may come back
    // before the last of it: the marks of a few waits are gathered.
    std::vector<bool> seen(items.size(), false);
    int waits = 0;
    int lastResult = 0;
    const std::uint32_t start = plat::TickCount();
    for (; waits < 5; ++waits) {
        lastResult = Sockets().waitMany(items.data(), static_cast<int>(items.size()), 100);
        ASSERT_GE(lastResult, 0) << Sockets().lastError();
        int marked = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            marked += items[i].ready ? 1 : 0;
            if (items[i].ready) seen[i] = true;
        }
        EXPECT_EQ(marked, lastResult);
        if (lastResult == 0) break;
    }
    bool anyWanted = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const bool wanted = c.kinds[i] != Kind::kQuiet;
        anyWanted = anyWanted || wanted;
        EXPECT_EQ(seen[i], wanted) << "socket " << i;
        if (c.kinds[i] == Kind::kRefused) {
            EXPECT_EQ(Sockets().connectError(items[i].socket), plat::kWsaEconnrefused);
        }
        if (c.kinds[i] == Kind::kConnecting) {
            EXPECT_EQ(Sockets().connectError(items[i].socket), 0);
        }
    }
    if (!anyWanted) {
        EXPECT_EQ(lastResult, 0);
        EXPECT_GE(plat::TickCount() - start, 90u) << "returned before its time-out";
    }
    for (plat::Socket s : ours) Sockets().close(s);
    for (int peer : peers) ::close(peer);
}

TEST(WaitManyLimits, MoreItemsThanTheLimitAreRefused) {
    std::vector<plat::WaitItem> items(plat::kMaxWaitItems + 1, plat::WaitItem{0, false, false});
    EXPECT_EQ(Sockets().waitMany(items.data(), static_cast<int>(items.size()), 0), -1);
    EXPECT_EQ(Sockets().lastError(), plat::kWsaEinval);
}

INSTANTIATE_TEST_SUITE_P(Sockets, WaitMany, ::testing::ValuesIn(kManyCases),
                         [](const auto &param) { return std::string(param.param.name); });

}  // namespace
