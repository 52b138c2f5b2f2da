// The channel thread through commands 1 and 11 (and StartChannel on a
// prepared block): when stations are supervised, which ones, the first
// master-flag check after the open, the 60 s limits of start and stop, and
// what repeated opens and closes leave behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "channel/channel.h"
#include "host/tamhub.h"
#include "link/link.h"
#include "testkit/channel_block.h"
#include "tests/channel/channel_fixture.h"
#include "tools/plcsim/plcsim.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// From the sanitizer runtime (its header is not always installed).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

using namespace ordax;
using chantest::ReadN7;
using chantest::WaitUntil;

std::uint32_t LockWord(StationEntry &st) {
    return std::atomic_ref<std::uint32_t>(st.lock.futex).load();
}

class ChannelThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok()) << dir_.error();
        threadsBeforeSim_ = chantest::ThreadCount();
    }
    // Adds a simulated station; call before StartSim.
    int AddSim(const char *ip, plcsim::Family family = plcsim::Family::Plc5) {
        const int handle = sim_.AddStation({ip, family, "", 2222});
        EXPECT_GE(handle, 0) << sim_.LastError();
        return handle;
    }
    void StartSim() {
        ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
        threads_ = chantest::ThreadCount();
    }
    int Connections(int handle) {
        return static_cast<int>(sim_.station(handle).counters().connections);
    }

    chantest::NodeDir dir_;
    plcsim::Simulator sim_;
    ordax_test::MessageCapture log_;
    int threadsBeforeSim_ = 0;
    int threads_ = 0;
};

// ---- When the thread supervises a station ----------------------------------

TEST_F(ChannelThreadTest, TimedOutStationIsReconnectedAtTheNextWalk) {
    const int sim = AddSim("127.0.0.50");
    StartSim();
    dir_.Write(11, {"T 60000; 20; 5000; 5000;", "04 = 127.0.0.50"});
    auto block = chantest::NewHostBlock();
    DriverContext &ctx = block->ctx();
    ASSERT_EQ(chantest::OpenCommand(*block, 11, 1, 300), PDX_DONE);  // 3 s: sanitizers run slowly
    ASSERT_EQ(ReadN7(ctx, 4), kLinkOk);
    const std::string connected = "Ordax : Connected to 127.0.0.50";
    EXPECT_EQ(chantest::CountMessages(log_, connected), 1);

    sim_.station(sim).SwallowNext(1);
    EXPECT_EQ(ReadN7(ctx, 4), kLinkTimeout);
    // superviseInterval is a minute; the station must be back long before.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return chantest::ViewLocked(ctx.stations[4]).socket != plat::kNoSocket &&
                   chantest::CountMessages(log_, connected) == 2;
        },
        15000));
    EXPECT_EQ(Connections(sim), 2);
    EXPECT_EQ(ReadN7(ctx, 4), kLinkOk);
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
}

TEST_F(ChannelThreadTest, WrappingTickCountDoesNotDelayAPass) {
    AddSim("127.0.0.50");
    StartSim();
    dir_.Write(12, {"T 300; 20; 1000; 1000;", "04 = 127.0.0.50"});
    auto block = chantest::NewHostBlock();
    DriverContext &ctx = block->ctx();
    plat::SetTickCount(0xFFFFFFFFu - 150);
    ASSERT_EQ(chantest::OpenCommand(*block, 12, 1, 50), PDX_DONE);

    // Every pass stamps the station; collect the stamps for 2.5 s.
    std::vector<std::uint32_t> stamps;
    const std::uint32_t start = plat::TickCount();
    while (plat::TickWithin(start, 2500)) {
        const std::uint32_t s = LoadRelaxed(ctx.stations[4].lastSupervision);
        if (s != 0 && (stamps.empty() || stamps.back() != s)) stamps.push_back(s);
        plat::SleepMs(5);
    }
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);

    ASSERT_GE(stamps.size(), 4u) << "passes stopped at the wrap";
    EXPECT_GT(stamps.front(), 0xFFFFFF00u);
    bool wrapped = false;
    for (std::size_t i = 1; i < stamps.size(); ++i) {
        const std::uint32_t gap = stamps[i] - stamps[i - 1];
        EXPECT_GT(gap, 300u) << "pass " << i << " came early";
        EXPECT_LT(gap, 1500u) << "pass " << i << " was delayed";
        wrapped = wrapped || stamps[i] < stamps[i - 1];
    }
    EXPECT_TRUE(wrapped);
    plat::SetTickCount(1000);
}

// A station that refuses every connect is not tried again within a second
// of its last failure (or superviseInterval, when longer), however often the
// thread walks: each try costs the host's log two messages.
TEST_F(ChannelThreadTest, RefusingStationIsTriedAtABoundedRate) {
    struct Row {
        const char *timing;
        int maxFailures;  // in the 3 s after the open: tries near 1, 2 and 3 s, and slack
    };
    const Row rows[] = {
        {"T 0; 0; 1000; 1000;", 5},
        {"T 0; 20; 1000; 1000;", 5},
        {"T 400; 0; 1000; 1000;", 5},
    };
    const int refusing = AddSim("127.0.0.46");
    sim_.station(refusing).SetAccepting(false);
    StartSim();
    const std::string failure = "Ordax : Failure connecting to 127.0.0.46";
    for (const Row &row : rows) {
        SCOPED_TRACE(row.timing);
        dir_.Write(13, {row.timing, "07 = 127.0.0.46"});
        auto block = chantest::NewHostBlock();
        ASSERT_EQ(chantest::OpenCommand(*block, 13, 1, 50), PDX_DONE);
        const int atOpen = chantest::CountMessages(log_, failure);
        plat::SleepMs(3000);
        const int failures = chantest::CountMessages(log_, failure) - atOpen;
        EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
        EXPECT_EQ(atOpen, 1) << "the first walk tries the station once";
        EXPECT_GE(failures, 1) << "the station is still tried";
        EXPECT_LE(failures, row.maxFailures);
        log_.Clear();
    }
}

TEST_F(ChannelThreadTest, UnconfiguredStationsGetNoPassAndNoLock) {
    AddSim("127.0.0.51");
    AddSim("127.0.0.52", plcsim::Family::Slc5);
    const int unconfigured = AddSim("127.0.0.53");
    StartSim();
    auto ctx = ordax_test::NewChannelBlock(ordax_test::ChannelState::kClosed);
    ctx->timers = ChannelTimers{60000, 20, 1000, 1000};
    ctx->replyTimeout = 1000;
    for (StationEntry &st : ctx->stations) st.lock.futex = 0x5A;
    using ordax_test::StationLock;
    ordax_test::ConfigureStation(*ctx, 1, kPlc5, "127.0.0.51", StationLock::kNone);
    ordax_test::ConfigureStation(*ctx, 5, kSlc5, "127.0.0.52", StationLock::kNone);
    // An address without a PlcType: the station is not configured.
    std::snprintf(ctx->stations[2].address, sizeof ctx->stations[2].address, "127.0.0.53");

    ASSERT_EQ(StartChannel(*ctx), 0);
    for (int n = 0; n < kStationCount; ++n) {
        StationEntry &st = ctx->stations[n];
        const bool configured = n == 1 || n == 5;
        EXPECT_EQ(LockWord(st) != 0x5A, configured) << "station " << n;
        EXPECT_EQ(LoadRelaxed(st.lastSupervision) != 0, configured) << "station " << n;
    }
    EXPECT_EQ(ReadN7(*ctx, 2), kLinkNotConfigured);
    EXPECT_EQ(ReadN7(*ctx, 5), kLinkOk);
    EXPECT_EQ(StopChannel(*ctx), 0);

    EXPECT_EQ(Connections(unconfigured), 0);
    for (const ordax_test::Message &m : log_.All()) {
        EXPECT_EQ(m.text.find("127.0.0.53"), std::string::npos) << m.text;
    }
    for (int n = 0; n < kStationCount; ++n) {
        if (n != 1 && n != 5) {
            EXPECT_EQ(ctx->stations[n].lock.futex, 0x5Au) << "station " << n;
        }
        EXPECT_EQ(ctx->stations[n].socket, plat::kNoSocket);
    }
    EXPECT_TRUE(chantest::ThreadCountSettlesAt(threads_));
}

// ---- The first master-flag check after the open ----------------------------

struct FirstCheckCase {
    const char *name;
    bool standbyIsMaster;
};

void PrintTo(const FirstCheckCase &c, std::ostream *os) {
    *os << c.name;
}

class FirstFlagCheck : public ChannelThreadTest,
                       public ::testing::WithParamInterface<FirstCheckCase> {};

// The first walk runs while the channel is still starting and reads no
// flag. The pair must be checked at the walk after the open, not a whole
// superviseInterval (here a minute) later, and only once.
TEST_P(FirstFlagCheck, PairIsOnTheMasterWithinAWalkOfTheOpen) {
    const int base = sim_.AddStation({"127.0.0.54", plcsim::Family::Plc5, "N31:1", 2222});
    const int standby = sim_.AddStation({"127.0.0.55", plcsim::Family::Plc5, "N31:1", 2222});
    ASSERT_GE(base, 0);
    ASSERT_GE(standby, 0);
    const int pair = sim_.AddHotBackupPair(base, standby);
    ASSERT_EQ(pair, 0);
    if (GetParam().standbyIsMaster) {
        ASSERT_TRUE(sim_.SwapMaster(pair));
    }
    StartSim();
    dir_.Write(13, {"T 60000; 20; 1000; 1000;", "05 = 127.0.0.54, 127.0.0.55"});
    auto block = chantest::NewHostBlock();
    DriverContext &ctx = block->ctx();
    ASSERT_EQ(chantest::OpenCommand(*block, 13, 1, 50), PDX_DONE);

    const int master = GetParam().standbyIsMaster ? standby : base;
    auto flagReads = [&](int handle) { return sim_.station(handle).counters().requests; };
    EXPECT_TRUE(WaitUntil([&] { return flagReads(master) == 1; }, 5000));
    const chantest::StationView view = chantest::ViewLocked(ctx.stations[5]);
    EXPECT_EQ(view.onStandby, GetParam().standbyIsMaster ? 1 : 0);
    EXPECT_NE(view.socket, plat::kNoSocket);
    // A host read now goes to the master.
    const std::uint64_t before = flagReads(master);
    EXPECT_EQ(ReadN7(ctx, 5), kLinkOk);
    EXPECT_EQ(flagReads(master), before + 1);
    // No further flag read until superviseInterval has passed.
    plat::SleepMs(500);
    EXPECT_EQ(flagReads(base) + flagReads(standby), GetParam().standbyIsMaster ? 3u : 2u);
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);

    std::vector<std::string> expected = {"8|Ordax : Connected to 127.0.0.54"};
    if (GetParam().standbyIsMaster) {
        expected.push_back(
            "32|Ordax : Master Flag not set, switching Base IP 127.0.0.54 Standby IP 127.0.0.55 "
            "!!!");
        expected.push_back("8|Ordax : Connected to 127.0.0.55");
    }
    EXPECT_EQ(chantest::PassMessages(log_), expected);
}

INSTANTIATE_TEST_SUITE_P(Open, FirstFlagCheck,
                         ::testing::Values(FirstCheckCase{"BaseIsMaster", false},
                                           FirstCheckCase{"StandbyIsMaster", true}),
                         [](const auto &param) { return std::string(param.param.name); });

// ---- The 60 s limits of start and stop ------------------------------------

// A first walk that outlasts the start's 60 s limit. The thread runs, so
// command 1 opens the channel and returns 0 while the walk goes on; the
// walk ends on its own (every wait in it is finite) and command 11 closes
// the channel cleanly. A helper moves the tick count a minute on once the
// thread is inside its first walk: held there by the host's message
// service (the channel thread's own "Failure connecting" line does not
// return until the test lets it), or inside a session wait that a node
// file of -1 time-outs would once have made endless (a station that sends
// 10 bytes of its session reply and then holds the connection).
struct FirstWalkCase {
    const char *name;
    const char *timing;
    std::size_t stallBytes;  // 0: the station is refused, and the thread held in its message
    const char *heldOn;      // the channel thread's message the host keeps it in; null = none
};

void PrintTo(const FirstWalkCase &c, std::ostream *os) {
    *os << c.name;
}

class SlowFirstWalk : public ChannelThreadTest,
                      public ::testing::WithParamInterface<FirstWalkCase> {};

// The host's message service, keeping the calling thread in it when it is
// handed one chosen text, until released (at most 20 s).
struct HoldingSink {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> texts;
    std::string holdOn;
    bool held = false;
    bool released = false;

    static void Sink(void *user, int, const char *text) {
        auto *self = static_cast<HoldingSink *>(user);
        std::unique_lock<std::mutex> hold(self->mutex);
        self->texts.emplace_back(text);
        if (self->released || self->holdOn != text) return;
        self->held = true;
        self->changed.notify_all();
        self->changed.wait_for(hold, std::chrono::seconds(20), [self] { return self->released; });
    }
    void Release() {
        std::lock_guard<std::mutex> hold(mutex);
        released = true;
        changed.notify_all();
    }
    bool Held() {
        std::lock_guard<std::mutex> hold(mutex);
        return held;
    }
    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> hold(mutex);
        return texts;
    }
};

TEST_P(SlowFirstWalk, OpensTheChannelAndClosesItCleanly) {
    const FirstWalkCase &c = GetParam();
    int sim = -1;
    if (c.stallBytes != 0) {
        sim = AddSim("127.0.0.57");
        sim_.station(sim).StallAfterBytes(c.stallBytes);
    } else {
        AddSim("127.0.0.56");  // the simulator must run; nothing listens at 127.0.0.57
    }
    StartSim();
    dir_.Write(16, {c.timing, "07 = 127.0.0.57"});
    HoldingSink sink;
    if (c.heldOn != nullptr) sink.holdOn = c.heldOn;
    TamHubSetMessageSink(&HoldingSink::Sink, &sink);
    auto block = chantest::NewHostBlock();
    DriverContext &ctx = block->ctx();
    std::thread jump([&] {
        auto inWalk = [&] {
            if (c.heldOn != nullptr) return sink.Held();
            return Connections(sim) >= 1;
        };
        WaitUntil(inWalk, 10000);
        plat::SleepMs(300);
        plat::SetTickCount(plat::TickCount() + 61000);
    });

    const std::uint32_t start = plat::TickCount();
    EXPECT_EQ(chantest::OpenCommand(*block, 16, 1, 50), PDX_DONE);
    EXPECT_EQ(LoadRelaxed(ctx.channelOpen), 1);
    if (c.heldOn != nullptr) {
        EXPECT_EQ(LoadRelaxed(ctx.threadAlive), 0) << "still in its first walk";
    }
    jump.join();
    sink.Release();
    if (c.heldOn != nullptr) {
        EXPECT_TRUE(WaitUntil([&] { return LoadRelaxed(ctx.threadAlive) == 1; }, 10000))
            << "the first walk never ended";
    }
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    // The tick count moved a minute on; real time is what the bound is about.
    EXPECT_LT(plat::TickCount() - start, 61000u + 90000u) << "command 1 or 11 hung";
    TamHubSetMessageSink(nullptr, nullptr);

    for (const std::string &m : sink.Texts()) {
        EXPECT_NE(m, "Ordax : Channel thread did not start !!!");
        EXPECT_NE(m, "Ordax : Channel Open Failed !!!");
    }
    EXPECT_EQ(LoadRelaxed(ctx.threadAlive), 0);
    EXPECT_EQ(LoadRelaxed(ctx.channelOpen), 0);
    EXPECT_EQ(ctx.channelThread, 0u);
    EXPECT_EQ(ctx.locksCreated, 0);
    EXPECT_EQ(ctx.stations[7].socket, plat::kNoSocket);
    EXPECT_TRUE(chantest::ThreadCountSettlesAt(threads_));
    plat::SetTickCount(1000);
}

INSTANTIATE_TEST_SUITE_P(
    SixtySeconds, SlowFirstWalk,
    ::testing::Values(FirstWalkCase{"HeldInItsFirstWalk", "T 100; 20; 1000; 1000;", 0,
                                    "Ordax : Failure connecting to 127.0.0.57"},
                      FirstWalkCase{"EndlessSessionWait", "T 100; 20; -1; -1;", 10, nullptr}),
    [](const auto &param) { return std::string(param.param.name); });

struct LimitCase {
    const char *name;
    std::vector<std::string> messages;  // among all messages, in this order
};

void PrintTo(const LimitCase &c, std::ostream *os) {
    *os << c.name;
}

class ChannelLimits : public ChannelThreadTest, public ::testing::WithParamInterface<LimitCase> {};

// The thread is kept inside a walk while a helper moves the tick count a
// minute on: during the close, by a pair whose master-flag read is never
// answered (the reply wait runs in real time). The command's wait gives
// up, yet the command returns only once the thread has ended, so locks and
// sockets are never pulled from under it. The flag read ends on its own
// and is reported.
TEST_P(ChannelLimits, CommandReturnsOnlyAfterTheThreadEnded) {
    const LimitCase &c = GetParam();
    const int silent = sim_.AddStation({"127.0.0.56", plcsim::Family::Plc5, "N31:1", 2222});
    ASSERT_GE(silent, 0) << sim_.LastError();
    const int standby = AddSim("127.0.0.59");
    ASSERT_GE(sim_.AddHotBackupPair(silent, standby), 0);
    dir_.Write(14, {"T 100; 20; 1000; 1000;", "06 = 127.0.0.56, 127.0.0.59"});
    StartSim();
    auto block = chantest::NewHostBlock();
    DriverContext &ctx = block->ctx();
    auto jumpOnce = [&](std::function<bool()> ready) {
        return std::thread([ready] {
            WaitUntil(ready, 10000);
            plat::SleepMs(300);
            plat::SetTickCount(plat::TickCount() + 61000);
        });
    };

    EXPECT_EQ(chantest::OpenCommand(*block, 14, 1, 50), PDX_DONE);
    sim_.station(silent).SwallowNext(1000);
    auto flagRead = [this, silent] { return sim_.station(silent).counters().swallowed >= 1; };
    ASSERT_TRUE(WaitUntil(flagRead, 10000));
    std::thread jump = jumpOnce(flagRead);
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    // Seen at the return: the thread's last pass has ended and the thread is gone.
    const std::vector<std::string> all = [&] {
        std::vector<std::string> v;
        for (const ordax_test::Message &m : log_.All()) v.push_back(m.text);
        return v;
    }();
    std::size_t next = 0;
    for (const std::string &m : all) next += next < c.messages.size() && m == c.messages[next];
    EXPECT_EQ(next, c.messages.size()) << ::testing::PrintToString(all);
    for (const std::string &m : all) EXPECT_NE(m, "Ordax : Failure connecting to 127.0.0.56");
    EXPECT_EQ(LoadRelaxed(ctx.threadAlive), 0);
    EXPECT_EQ(LoadRelaxed(ctx.channelOpen), 0);
    EXPECT_EQ(ctx.channelThread, 0u);
    EXPECT_EQ(ctx.locksCreated, 0);
    EXPECT_EQ(ctx.stations[6].socket, plat::kNoSocket);
    jump.join();
    EXPECT_TRUE(chantest::ThreadCountSettlesAt(threads_));
    plat::SetTickCount(1000);
}

INSTANTIATE_TEST_SUITE_P(SixtySeconds, ChannelLimits,
                         ::testing::Values(LimitCase{"StopInAPass",
                                                     {"Ordax : Timed out waiting for thread to "
                                                      "stop !!!",
                                                      "Ordax : Read Master Flag Error from IP "
                                                      "127.0.0.56 !!"}}),
                         [](const auto &param) { return std::string(param.param.name); });

// ---- Repeated open and close ----------------------------------------------

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

void CountMessage(void *user, int, const char *) {
    ++*static_cast<std::atomic<int> *>(user);
}

TEST_F(ChannelThreadTest, TwoHundredOpensAndClosesLeaveNothingBehind) {
    std::vector<int> sims = {AddSim("127.0.2.1"), AddSim("127.0.2.2", plcsim::Family::Slc5),
                             AddSim("127.0.2.3")};
    StartSim();
    dir_.Write(15, {"T 60000; 10; 5000; 5000;", "10 = 127.0.2.1", "11 = 127.0.2.2-SLC5",
                    "12 = 127.0.2.3"});
    std::atomic<int> messages{0};
    TamHubSetMessageSink(CountMessage, &messages);  // counts, keeps nothing
    auto block = chantest::NewHostBlock();
    // Each cycle defines a string gate, opens the running channel again
    // (command 1 on a block it prepared before), defines another and closes.
    auto defineString = [&](const char *text) {
        GateRecord gate{};
        gate.addressText = text;
        gate.gateType = PDX_GATE_STRING;
        EXPECT_EQ(ordax_test::HostCall(block->bytes, PDX_PARSE_GATE, 15, &gate), PDX_DONE) << text;
    };
    const char *name = nullptr;
    auto cycle = [&] {
        EXPECT_EQ(chantest::OpenCommand(*block, 15, 1, 50), PDX_DONE);
        EXPECT_EQ(LoadRelaxed(block->ctx().threadAlive), 1);
        defineString("10X01002020");
        if (name == nullptr) name = block->ctx().clientName;
        EXPECT_EQ(chantest::OpenCommand(*block, 15, 1, 50), PDX_DONE);
        EXPECT_EQ(block->ctx().stringDefinitions, nullptr);
        // The host may have kept the name it registered: it is the same text
        // at the same place after every open.
        EXPECT_EQ(block->ctx().clientName, name);
        EXPECT_STREQ(name, "Ordax15");
        defineString("11Y00700010");
        EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
        EXPECT_EQ(block->ctx().stringDefinitions, nullptr);
    };
    auto clearHistory = [&] {
        for (int s : sims) sim_.station(s).ClearHistory();
    };
    constexpr int kCycles = 200;
    for (int i = 0; i < 3; ++i) cycle();
    const int threads = chantest::ThreadCount();
    const int descriptors = chantest::DescriptorCount();
    // Heap in use after each half; the first half also pays for the
    // simulator's and the libraries' one-time growth.
    std::size_t heap[3] = {};
    for (int half = 0; half <= 2; ++half) {
        if (half > 0) {
            for (int i = 0; i < kCycles / 2 && !HasFailure(); ++i) cycle();
        }
        clearHistory();
        heap[half] = HeapInUse();
    }

    EXPECT_TRUE(chantest::ThreadCountSettlesAt(threads));
    // The in-process simulator closes its side a moment after the driver, so
    // the count before may still hold a side of the warm-up's last close.
    EXPECT_TRUE(WaitUntil([&] { return chantest::DescriptorCount() <= descriptors; }, 3000))
        << chantest::DescriptorCount() << " descriptors, " << descriptors << " before";
    // Neither the client names nor the string definitions of the opens may
    // stay: a hundred cycles would leave some 8 KiB of them.
    const std::size_t grown = heap[2] > heap[1] ? heap[2] - heap[1] : 0;
    EXPECT_LE(grown, 1024u) << "heap growth of the first half " << heap[1] - heap[0];
    for (int s : sims) {
        // The simulator sees the last close a moment after the driver made it.
        EXPECT_TRUE(
            WaitUntil([&] { return sim_.station(s).counters().openConnections == 0u; }, 3000))
            << sim_.station(s).counters().openConnections << " connections still open";
        // One connection per open at least; a loaded machine may add a retry.
        EXPECT_GE(sim_.station(s).counters().connections, 3u + kCycles);
    }
    EXPECT_GT(messages.load(), kCycles * 4);
}

}  // namespace
