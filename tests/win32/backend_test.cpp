// The Win32 backend of the socket operations, run under Wine: the wait's
// time-out as select sees it, Windows Sockets error numbers, and the
// non-blocking connect the station connection relies on; the trace's file
// as Windows names it.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "diag/trace_file.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/sockerr.h"
#include "platform/socket.h"

namespace {

using plat::NativeSockets;

// The backend's own table, with every wait counted and its time-out noted:
// a wait asked for longer than `cutMs` waits only that long, so a test can
// see what a minute-long wait was asked for without taking the minute.
struct CountedWaits {
    static inline std::vector<std::uint32_t> asked;
    static inline std::uint32_t cutMs = 0xFFFFFFFFu;
    static inline void (*beforeWait)() = nullptr;
    static plat::WaitResult Wait(plat::Socket s, bool forWrite, std::uint32_t timeoutMs) {
        asked.push_back(timeoutMs);
        if (beforeWait != nullptr) beforeWait();
        return plat::NativeSockets().wait(s, forWrite, timeoutMs < cutMs ? timeoutMs : cutMs);
    }
    plat::SocketOps ops = plat::NativeSockets();
    CountedWaits() {
        asked.clear();
        cutMs = 0xFFFFFFFFu;
        beforeWait = nullptr;
        ops.wait = &CountedWaits::Wait;
        plat::SetSocketOps(&ops);
    }
    ~CountedWaits() {
        plat::SetSocketOps(nullptr);
        beforeWait = nullptr;
    }
};

// A listening Winsock socket on 127.0.0.1 and a free port.
struct Listener {
    SOCKET s = INVALID_SOCKET;
    std::uint16_t port = 0;
    Listener() {
        s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
            ::listen(s, SOMAXCONN) != 0) {
            return;
        }
        int len = sizeof a;
        ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() { ::closesocket(s); }
};

class Win32Backend : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(NativeSockets().startup(), 0); }
    void TearDown() override {
        if (sock_ != plat::kNoSocket) NativeSockets().close(sock_);
        NativeSockets().cleanup();
    }
    plat::Socket NonBlocking() {
        sock_ = NativeSockets().createTcp();
        EXPECT_NE(sock_, plat::kNoSocket);
        EXPECT_EQ(NativeSockets().setNonBlocking(sock_), 0);
        return sock_;
    }
    plat::Socket sock_ = plat::kNoSocket;
};

// select gets the time-out as seconds and microseconds: the wait lasts at
// least as long as asked, also across the whole-second boundary.
TEST_F(Win32Backend, WaitTimeOutLastsAsLongAsAsked) {
    Listener listener;
    ASSERT_NE(listener.port, 0);
    const plat::Socket s = NonBlocking();
    NativeSockets().connect(s, htonl(INADDR_LOOPBACK), listener.port);
    ASSERT_EQ(NativeSockets().wait(s, true, 2000), plat::kWaitReady);
    for (std::uint32_t ms : {0u, 50u, 999u, 1001u, 1250u}) {
        SCOPED_TRACE(ms);
        const std::uint32_t start = plat::TickCount();
        EXPECT_EQ(NativeSockets().wait(s, false, ms), plat::kWaitTimedOut);  // nothing sent
        const std::uint32_t took = plat::TickCount() - start;
        EXPECT_GE(took + 20u, ms);  // the tick count is coarse on Windows
        EXPECT_LT(took, ms + 5000u);
    }
}

// A non-blocking connect is pending (would-block), then the socket turns
// writable; the peer's bytes then arrive through recv.
TEST_F(Win32Backend, NonBlockingConnectIsPendingThenWritable) {
    Listener listener;
    ASSERT_NE(listener.port, 0);
    const plat::Socket s = NonBlocking();
    const int rc = NativeSockets().connect(s, htonl(INADDR_LOOPBACK), listener.port);
    if (rc != 0) {
        EXPECT_EQ(NativeSockets().lastError(), plat::kWsaEwouldblock);
    }
    ASSERT_EQ(NativeSockets().wait(s, true, 5000), plat::kWaitReady);
    EXPECT_EQ(NativeSockets().connectError(s), 0);
    SOCKET peer = ::accept(listener.s, nullptr, nullptr);
    ASSERT_NE(peer, INVALID_SOCKET);
    const char hello[3] = {'P', 'L', 'C'};
    ASSERT_EQ(::send(peer, hello, 3, 0), 3);
    ASSERT_EQ(NativeSockets().wait(s, false, 5000), plat::kWaitReady);
    char got[8] = {};
    EXPECT_EQ(NativeSockets().recv(s, got, sizeof got), 3);
    EXPECT_EQ(got[2], 'C');
    ::closesocket(peer);
}

// Errors come back as Windows Sockets numbers: a recv on a connected socket
// with nothing to read would block, a connect to a port nobody listens on
// is refused, and the dotted-address conversion rejects a non-address.
TEST_F(Win32Backend, ErrorsAreWindowsSocketsNumbers) {
    Listener closedPort;  // bound and closed again: nobody listens there
    const std::uint16_t port = closedPort.port;
    ::closesocket(closedPort.s);
    closedPort.s = INVALID_SOCKET;
    const plat::Socket s = NonBlocking();
    char byte = 0;
    EXPECT_EQ(NativeSockets().recv(s, &byte, 1), -1);  // not connected yet
    EXPECT_NE(NativeSockets().lastError(), 0);
    const int rc = NativeSockets().connect(s, htonl(INADDR_LOOPBACK), port);
    if (rc != 0 && NativeSockets().lastError() == plat::kWsaEwouldblock) {
        // Winsock reports a refused non-blocking connect in select's
        // exception set, which the wait for writing watches too: the wait
        // ends long before its time-out, and the socket's error says why.
        const std::uint32_t start = plat::TickCount();
        EXPECT_EQ(NativeSockets().wait(s, true, 20000), plat::kWaitReady);
        EXPECT_LT(plat::TickCount() - start, 10000u);
        EXPECT_EQ(NativeSockets().connectError(s), plat::kWsaEconnrefused);
    } else {
        EXPECT_EQ(NativeSockets().lastError(), plat::kWsaEconnrefused);
    }
    EXPECT_EQ(NativeSockets().inetAddr("127.0.0.1"), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(NativeSockets().inetAddr("plc-five"), plat::kInetNone);
    // gethostbyname("") answers with this PC's own address; the backend
    // never asks it.
    std::uint32_t addr = 0x01020304u;
    EXPECT_NE(NativeSockets().lookupHost("", &addr), 0);
    EXPECT_EQ(addr, 0x01020304u);
}

SOCKET Native(plat::Socket s) {
    return static_cast<SOCKET>(static_cast<std::uintptr_t>(s));
}

// A wait for many as the channel's walk uses it, at the size of a channel
// of 100 pairs: 196 quiet connections, then a readable one, a refused and
// a completing connect and one more quiet one. Winsock reports the refusal
// in the exception set, which the wait for writing watches too.
TEST_F(Win32Backend, WaitManyMarksExactlyTheReadySockets) {
    Listener listener;
    Listener closedPort;  // bound and closed again: nobody listens there
    ASSERT_NE(listener.port, 0);
    ::closesocket(closedPort.s);
    closedPort.s = INVALID_SOCKET;
    enum Kind { kQuiet, kReadable, kRefused, kConnecting };
    std::vector<Kind> kinds(196, kQuiet);
    kinds.insert(kinds.end(), {kReadable, kRefused, kConnecting, kQuiet});
    ASSERT_EQ(kinds.size(), static_cast<std::size_t>(plat::kMaxWaitItems));
    std::vector<plat::WaitItem> items;
    std::vector<SOCKET> peers;
    for (Kind kind : kinds) {
        const plat::Socket s = NativeSockets().createTcp();
        ASSERT_NE(s, plat::kNoSocket);
        const bool connecting = kind == kRefused || kind == kConnecting;
        if (connecting) {
            ASSERT_EQ(NativeSockets().setNonBlocking(s), 0);
        }
        const std::uint16_t port = kind == kRefused ? closedPort.port : listener.port;
        const int rc = NativeSockets().connect(s, htonl(INADDR_LOOPBACK), port);
        if (!connecting) {
            ASSERT_EQ(rc, 0);
        }
        if (kind != kRefused) {
            peers.push_back(::accept(listener.s, nullptr, nullptr));
            ASSERT_NE(peers.back(), INVALID_SOCKET);
            if (kind == kReadable) {
                ASSERT_EQ(::send(peers.back(), "x", 1, 0), 1);
            }
        }
        items.push_back(plat::WaitItem{s, connecting, false});
    }
    // A refusal may take a moment to arrive: the marks of a few waits count.
    std::vector<bool> seen(items.size(), false);
    for (int wait = 0; wait < 5; ++wait) {
        const int ready =
            NativeSockets().waitMany(items.data(), static_cast<int>(items.size()), 500);
        ASSERT_GE(ready, 0) << NativeSockets().lastError();
        int marked = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            marked += items[i].ready ? 1 : 0;
            seen[i] = seen[i] || items[i].ready;
        }
        EXPECT_EQ(marked, ready);
        if (seen[196] && seen[197] && seen[198]) break;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(seen[i], kinds[i] != kQuiet) << "socket " << i;
    }
    EXPECT_EQ(NativeSockets().connectError(items[197].socket), plat::kWsaEconnrefused);
    EXPECT_EQ(NativeSockets().connectError(items[198].socket), 0);
    std::vector<plat::WaitItem> tooMany(plat::kMaxWaitItems + 1, items[0]);
    EXPECT_EQ(NativeSockets().waitMany(tooMany.data(), plat::kMaxWaitItems + 1, 0), -1);
    for (const plat::WaitItem &item : items) NativeSockets().close(item.socket);
    for (SOCKET peer : peers) ::closesocket(peer);
}

// A peer that never reads: the send buffer fills and send reports
// would-block (10035) rather than blocking the caller.
TEST_F(Win32Backend, SendToAPeerThatNeverReadsWouldBlock) {
    Listener listener;
    ASSERT_NE(listener.port, 0);
    const plat::Socket s = NativeSockets().createTcp();
    sock_ = s;
    ASSERT_EQ(NativeSockets().connect(s, htonl(INADDR_LOOPBACK), listener.port), 0);
    SOCKET peer = ::accept(listener.s, nullptr, nullptr);
    ASSERT_NE(peer, INVALID_SOCKET);
    ASSERT_EQ(NativeSockets().setNonBlocking(s), 0);
    const int small = 4096;
    ::setsockopt(Native(s), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char *>(&small),
                 sizeof small);
    ::setsockopt(peer, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&small), sizeof small);
    static char chunk[65536];
    long long total = 0;
    int rc = 0;
    while (total < (256ll << 20) && (rc = NativeSockets().send(s, chunk, sizeof chunk)) > 0) {
        total += rc;
    }
    EXPECT_EQ(rc, -1) << "sent " << total << " bytes without a would-block";
    EXPECT_EQ(NativeSockets().lastError(), plat::kWsaEwouldblock);
    ::closesocket(peer);
}

// The link's receive and send on the Win32 backend. After a would-block
// they wait for readiness with the time that is left (no fixed pause): the
// rest of a reply that comes in pieces is read as soon as it is there. No
// wait is asked for more than a minute, whatever time-out the caller gives.
TEST_F(Win32Backend, LinkWaitsForReadinessWithTheTimeLeft) {
    Listener listener;
    ASSERT_NE(listener.port, 0);
    const plat::Socket s = NativeSockets().createTcp();
    sock_ = s;
    ASSERT_EQ(NativeSockets().connect(s, htonl(INADDR_LOOPBACK), listener.port), 0);
    static SOCKET peer = INVALID_SOCKET;
    peer = ::accept(listener.s, nullptr, nullptr);
    ASSERT_NE(peer, INVALID_SOCKET);
    ASSERT_EQ(NativeSockets().setNonBlocking(s), 0);
    std::uint8_t frame[32] = {2, 7, 0, 4};
    for (int i = 28; i < 32; ++i) frame[i] = static_cast<std::uint8_t>(0x50 + i);

    const struct {
        const char *name;
        std::uint32_t timeoutMs;
        bool dataLater;  // the data follows once the driver waits for it
        int result;
        std::uint32_t firstWaitMs;  // asked of the wait for the first byte
        std::size_t waits;
    } cases[] = {
        {"Whole", 2000, false, ordax::kRcvOk, 2000, 1},
        {"HeaderThenData", 2000, true, ordax::kRcvOk, 2000, 2},
        {"EndlessIsAMinute", 0xFFFFFFFFu, true, ordax::kRcvOk, 60000, 2},
        {"SilentForAMinute", 0xFFFFFFFFu, false, ordax::kRcvTimeout, 60000, 1},
    };
    static const std::uint8_t *rest = nullptr;
    rest = frame + 28;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CountedWaits counted;
        CountedWaits::cutMs = 300;
        if (c.result == ordax::kRcvOk) {
            ASSERT_EQ(::send(peer, reinterpret_cast<const char *>(frame), c.dataLater ? 28 : 32, 0),
                      c.dataLater ? 28 : 32);
        }
        if (c.dataLater) {
            // The data goes out as the receive starts its second wait.
            CountedWaits::beforeWait = [] {
                if (CountedWaits::asked.size() == 2) {
                    ::send(peer, reinterpret_cast<const char *>(rest), 4, 0);
                }
            };
        }
        if (c.result == ordax::kRcvOk && !c.dataLater) plat::SleepMs(50);  // all of it is there
        std::uint8_t got[64] = {};
        int length = static_cast<int>(sizeof got);
        EXPECT_EQ(ordax::RcvMsg(s, got, &length, c.timeoutMs), c.result);
        ASSERT_EQ(CountedWaits::asked.size(), c.waits);
        EXPECT_EQ(CountedWaits::asked[0], c.firstWaitMs);
        for (std::size_t i = 1; i < c.waits; ++i) {
            EXPECT_LE(CountedWaits::asked[i], c.firstWaitMs);
            EXPECT_GT(CountedWaits::asked[i] + 1000u, c.firstWaitMs) << "the time that is left";
        }
        if (c.result == ordax::kRcvOk) {
            EXPECT_EQ(length, 32);
            EXPECT_EQ(std::vector<std::uint8_t>(got, got + 32),
                      std::vector<std::uint8_t>(frame, frame + 32));
        }
    }

    // A peer that never reads: once the send buffer is full the send waits
    // for the socket to become writable, asked for a minute at most.
    const int small = 4096;
    ::setsockopt(Native(s), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char *>(&small),
                 sizeof small);
    ::setsockopt(peer, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&small), sizeof small);
    static std::uint8_t big[1 << 20];
    CountedWaits counted;
    CountedWaits::cutMs = 300;
    EXPECT_EQ(ordax::SendMsg(s, big, static_cast<int>(sizeof big), 0xFFFFFFFFu), 1);
    ASSERT_GE(CountedWaits::asked.size(), 1u);
    for (std::uint32_t ms : CountedWaits::asked) {
        EXPECT_LE(ms, 60000u);
        EXPECT_GT(ms, 59000u);
    }
    ::closesocket(peer);
}

// Channels that spell one trace file differently (case, slashes, "." and
// "..", relative or absolute) share one open file, so that they never
// rotate it under each other; another name is another file.
TEST(Win32TraceFile, OneFileHoweverChannelsSpellIt) {
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string dir =
        std::string(temp) + "ordax-trace-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CreateDirectoryA((dir + "\\sub").c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    char previous[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    std::string upper = dir + "\\TRACE.LOG";
    for (char &c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    std::string slashed = dir + "/Trace.log";
    for (char &c : slashed) c = c == '\\' ? '/' : c;
    const std::string spellings[] = {
        "trace.log",         "TRACE.LOG", ".\\Trace.Log", "sub\\..\\trace.log",
        dir + "\\trace.log", upper,       slashed,        "sub/../TRACE.log"};
    int error = -1;
    ordax::trace::SharedFile *first = ordax::trace::AcquireFile("trace.log", &error);
    ASSERT_NE(first, nullptr) << "errno " << error;
    std::vector<ordax::trace::SharedFile *> shares;
    for (const std::string &name : spellings) {
        SCOPED_TRACE(name);
        ordax::trace::SharedFile *file = ordax::trace::AcquireFile(name.c_str(), &error);
        EXPECT_EQ(file, first);
        if (file != nullptr) shares.push_back(file);
    }
    ordax::trace::SharedFile *other = ordax::trace::AcquireFile("sub\\trace.log", &error);
    EXPECT_NE(other, nullptr);
    EXPECT_NE(other, first);
    if (other != nullptr) ordax::trace::ReleaseFile(other);
    for (ordax::trace::SharedFile *file : shares) ordax::trace::ReleaseFile(file);
    ordax::trace::ReleaseFile(first);
    EXPECT_TRUE(SetCurrentDirectoryA(previous));
    DeleteFileA((dir + "\\sub\\trace.log").c_str());
    DeleteFileA((dir + "\\trace.log").c_str());
    RemoveDirectoryA((dir + "\\sub").c_str());
    EXPECT_TRUE(RemoveDirectoryA(dir.c_str())) << "a trace file is still open";
}

}  // namespace
