// What a host may get wrong about a channel's life, and what it gets:
// command 11 on a block command 1 never prepared, command 1 on a running
// channel, closes that must not wait out loopSleep or an engine's pause,
// loopSleep 0, overlapping calls of two host threads, command 1 without
// arguments, and the library unloaded with a channel open. Cases that crash
// the process when they go wrong run in a child process.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/tamhub_gate.h"
#include "tests/channel/channel_fixture.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using chantest::WaitUntil;
using ordax_test::HostCall;
using Clock = std::chrono::steady_clock;

constexpr int kChannel = 21;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The process's CPU seconds, and the times its threads gave up the
// processor of their own accord (every pause of the channel thread is one).
struct Usage {
    double cpuSeconds;
    long switches;
};

Usage ProcessUsage() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    const double cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                       static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    return {cpu, u.ru_nvcsw};
}

// One word gate of the channel: parsed by command 3, then read or written
// through commands 5 and 7 as a host does it.
struct WordGate {
    const char *address;
    GateRecord record{};

    int Parse(void *block) {
        record = GateRecord{};
        record.addressText = address;
        return HostCall(block, PDX_PARSE_GATE, kChannel, &record);
    }
    int Write(void *block, std::uint16_t value) {
        std::uint32_t cell = static_cast<std::uint32_t>(value) << 16;
        GateAccess access = TamHubGateAccess(&record, 1, &cell);
        return HostCall(block, PDX_WRITE_GATE, kChannel, &access);
    }
    int Read(void *block, std::uint16_t *value) {
        std::uint32_t cell = 0;
        GateAccess access = TamHubGateAccess(&record, 1, &cell);
        const int result = HostCall(block, PDX_READ_GATE, kChannel, &access);
        *value = static_cast<std::uint16_t>(cell >> 16);
        return result;
    }
};

// The simulator in this process closes its side of a connection a moment
// after the driver closed its own.
bool DescriptorsSettleAt(int count) {
    return WaitUntil([&] { return chantest::DescriptorCount() == count; }, 3000);
}

class HostMistakes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok()) << "no scratch directory";
        station_ = sim_.AddStation({"127.0.0.57", plcsim::Family::Plc5, "", 2222});
        ASSERT_GE(station_, 0) << sim_.LastError();
        ASSERT_TRUE(sim_.Start()) << sim_.LastError();
    }
    void WriteNodeFile(const char *timing) { dir_.Write(kChannel, {timing, "05 = 127.0.0.57"}); }

    chantest::NodeDir dir_;
    plcsim::Simulator sim_;
    ordax_test::MessageCapture log_;
    int station_ = -1;
};

// ---- Command 11 without a prepared block ----------------------------------

enum class Before { kNothing, kZeroBlock, kFailedOpen, kPreparedOnly, kClosed };

struct CloseCase {
    const char *name;
    Before before;
    bool blockUnchanged;  // command 11 leaves every byte as it found them
};

// The child's part: exits 0 when command 11 returned 0 within seconds and,
// where the case says so, left the block as it was.
[[noreturn]] void CloseInChild(const CloseCase &c) {
    auto block = chantest::NewHostBlock();
    if (c.before == Before::kZeroBlock) std::memset(block->bytes, 0, sizeof block->bytes);
    if (c.before == Before::kFailedOpen) {
        if (chantest::OpenCommand(*block, kChannel + 1, 1) != PDX_LINK_ERROR) std::exit(3);
    }
    if (c.before == Before::kPreparedOnly || c.before == Before::kClosed) {
        if (chantest::OpenCommand(*block, kChannel, c.before == Before::kClosed ? 1 : 0) !=
            PDX_DONE) {
            std::exit(4);
        }
        if (c.before == Before::kClosed) chantest::CloseCommand(*block);
    }
    const std::vector<unsigned char> before(block->bytes, block->bytes + sizeof block->bytes);
    const auto start = Clock::now();
    if (chantest::CloseCommand(*block) != PDX_DONE) std::exit(5);
    if (SecondsSince(start) > 5.0) std::exit(6);
    if (c.blockUnchanged && std::memcmp(before.data(), block->bytes, sizeof block->bytes) != 0) {
        std::exit(7);
    }
    std::exit(0);
}

// The cases that run in a child process have no simulator: the child is
// forked, and a fork of a process with threads may not start threads of its
// own under every sanitizer. Their station refuses connections.
class ChildCase : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok()) << "no scratch directory";
        dir_.Write(kChannel, {"T 5000; 20; 1000; 1000;", "05 = 127.0.0.58"});
    }

    chantest::NodeDir dir_;
    ordax_test::MessageCapture log_;
};

class CloseWithoutOpen : public ChildCase, public ::testing::WithParamInterface<CloseCase> {};

// Without the prepared mark, command 11 once waited a minute on whatever
// threadAlive held and then joined a thread handle of garbage.
TEST_P(CloseWithoutOpen, ReturnsAtOnceAndTouchesNothing) {
    GTEST_FLAG_SET(death_test_style, "fast");  // fork: the child needs no set-up of its own
    const CloseCase &c = GetParam();
    EXPECT_EXIT(CloseInChild(c), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Channel, CloseWithoutOpen,
    ::testing::Values(CloseCase{"FreshBlockOfLeftovers", Before::kNothing, true},
                      CloseCase{"ZeroedBlock", Before::kZeroBlock, true},
                      CloseCase{"OpenFailedOnItsNodeFile", Before::kFailedOpen, false},
                      CloseCase{"PreparedButNotOpened", Before::kPreparedOnly, false},
                      CloseCase{"SecondClose", Before::kClosed, false}),
    [](const auto &param) { return std::string(param.param.name); });

// ---- Command 1 on a running channel ---------------------------------------

// The second open stops the first channel (thread, connections, locks)
// before it clears the block: one thread at a time, nothing left over.
TEST_F(HostMistakes, OpenOnARunningChannelStopsItFirst) {
    WriteNodeFile("T 5000; 20; 1000; 1000;");
    auto block = chantest::NewHostBlock();
    const int threads = chantest::ThreadCount();
    const int descriptors = chantest::DescriptorCount();
    ASSERT_EQ(chantest::OpenCommand(*block, kChannel, 1), PDX_DONE);
    const int threadsOpen = chantest::ThreadCount();
    const int descriptorsOpen = chantest::DescriptorCount();
    for (int repeat = 0; repeat < 5; ++repeat) {
        ASSERT_EQ(chantest::OpenCommand(*block, kChannel, 1), PDX_DONE);
        EXPECT_TRUE(chantest::ThreadCountSettlesAt(threadsOpen)) << "repeat " << repeat;
        EXPECT_TRUE(DescriptorsSettleAt(descriptorsOpen)) << "repeat " << repeat;
    }
    WordGate gate{"05N007003"};
    ASSERT_EQ(gate.Parse(block->bytes), PDX_DONE);
    EXPECT_EQ(gate.Write(block->bytes, 0x1234), PDX_DONE);
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    EXPECT_TRUE(chantest::ThreadCountSettlesAt(threads));
    EXPECT_TRUE(DescriptorsSettleAt(descriptors));
}

// ---- A child of the host across command 11 --------------------------------

// A child the host starts while the channel runs inherits nothing of the
// driver's: once command 11 has closed the connection, the station sees it
// gone though the child lives on.
TEST_F(HostMistakes, ChildStartedWhileOpenDoesNotKeepTheConnection) {
    WriteNodeFile("T 5000; 20; 1000; 1000;");
    auto block = chantest::NewHostBlock();
    ASSERT_EQ(chantest::OpenCommand(*block, kChannel, 1), PDX_DONE);
    ASSERT_EQ(sim_.station(station_).counters().openConnections, 1u);
    char program[] = "/bin/sleep";
    char seconds[] = "30";
    char *argv[] = {program, seconds, nullptr};
    pid_t child = -1;
    ASSERT_EQ(::posix_spawn(&child, program, nullptr, nullptr, argv, environ), 0) << program;
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    EXPECT_TRUE(
        WaitUntil([&] { return sim_.station(station_).counters().openConnections == 0; }, 3000))
        << "the station still has the connection while the child lives";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

// ---- Closes that end at once ------------------------------------------------

struct QuickCloseCase {
    const char *name;
    const char *timing;
    bool readTimingOut;  // a host read waits out a time-out while command 11 comes
};

class QuickClose : public HostMistakes, public ::testing::WithParamInterface<QuickCloseCase> {};

// The thread's pause and the engine's pause after a time-out end the moment
// the close asks; a read under way is waited for and then ends "not open".
TEST_P(QuickClose, CloseEndsWithinSecondsWhateverLoopSleepSays) {
    const QuickCloseCase &c = GetParam();
    WriteNodeFile(c.timing);
    auto block = chantest::NewHostBlock();
    ASSERT_EQ(chantest::OpenCommand(*block, kChannel, 1, 100), PDX_DONE);
    WordGate gate{"05N007004"};
    ASSERT_EQ(gate.Parse(block->bytes), PDX_DONE);
    std::atomic<int> readResult{-1};
    std::thread reader;
    if (c.readTimingOut) {
        const auto requests = sim_.station(station_).counters().requests;
        sim_.station(station_).SwallowNext(1000);
        reader = std::thread([&] {
            std::uint16_t value = 0;
            readResult = gate.Read(block->bytes, &value);
        });
        // The reply time-out is 1 s; the engine's pause after it would last
        // 2 x loopSleep.
        ASSERT_TRUE(WaitUntil([&] { return sim_.station(station_).counters().requests > requests; },
                              10000));
        plat::SleepMs(1500);
    }
    const auto start = Clock::now();
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    EXPECT_LT(SecondsSince(start), 5.0);
    if (reader.joinable()) reader.join();
    if (c.readTimingOut) {
        EXPECT_EQ(readResult.load(), PDX_LINK_ERROR);
    }
    std::uint16_t value = 0;
    EXPECT_EQ(gate.Read(block->bytes, &value), PDX_LINK_ERROR);  // "Channel not Open"
    EXPECT_EQ(chantest::CountMessages(log_, "Ordax : Timed out waiting for thread to stop !!!"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Channel, QuickClose,
    ::testing::Values(QuickCloseCase{"LoopSleepOfAMinute", "T 5000; 60000; 1000; 1000;", false},
                      QuickCloseCase{"LoopSleepOfDays", "T 5000; -1; 1000; 1000;", false},
                      QuickCloseCase{"EnginePauseOfDays", "T 5000; -1; 1000; 1000;", true}),
    [](const auto &param) { return std::string(param.param.name); });

// loopSleep 0 walks the table with a short pause, not in a spin: neither a
// busy loop (CPU) nor a sleep of 0 ms (tens of thousands of wake-ups a second).
TEST_F(HostMistakes, LoopSleepZeroDoesNotSpin) {
    WriteNodeFile("T 5000; 0; 1000; 1000;");
    auto block = chantest::NewHostBlock();
    ASSERT_EQ(chantest::OpenCommand(*block, kChannel, 1), PDX_DONE);
    const Usage before = ProcessUsage();
    plat::SleepMs(1000);
    const Usage after = ProcessUsage();
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    EXPECT_LT(after.cpuSeconds - before.cpuSeconds, 0.25) << "CPU in one second of an idle channel";
    EXPECT_LT(after.switches - before.switches, 2000) << "pauses in one second";
}

// ---- Two host threads on one channel ---------------------------------------

// Each thread writes its own word and reads it back: with one Transaction
// per channel, calls that were not served one after the other would send
// one thread's value to the other's word or hand it the other's reply.
TEST_F(HostMistakes, OverlappingCallsAreServedOneAfterTheOther) {
    WriteNodeFile("T 5000; 20; 1000; 1000;");
    auto block = chantest::NewHostBlock();
    ASSERT_EQ(chantest::OpenCommand(*block, kChannel, 1, 300), PDX_DONE);
    constexpr int kRounds = 300;
    std::atomic<int> mismatches{0};
    auto host = [&](const char *address, std::uint16_t base) {
        WordGate gate{address};
        if (gate.Parse(block->bytes) != PDX_DONE) {
            mismatches += kRounds;
            return;
        }
        for (int i = 0; i < kRounds; ++i) {
            const auto written = static_cast<std::uint16_t>(base + i);
            std::uint16_t read = 0;
            if (gate.Write(block->bytes, written) != PDX_DONE ||
                gate.Read(block->bytes, &read) != PDX_DONE || read != written) {
                ++mismatches;
            }
        }
    };
    std::thread a(host, "05N007001", 1000);
    std::thread b(host, "05N007002", 30000);
    a.join();
    b.join();
    EXPECT_EQ(mismatches.load(), 0);
    plcsim::Address n7{};
    ASSERT_TRUE(plcsim::ParseAddress("N7:1", n7));
    EXPECT_EQ(sim_.station(station_).GetWord(n7).value_or(0), 1000 + kRounds - 1);
    ASSERT_TRUE(plcsim::ParseAddress("N7:2", n7));
    EXPECT_EQ(sim_.station(station_).GetWord(n7).value_or(0), 30000 + kRounds - 1);
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
}

// ---- Command 1 without its argument record ---------------------------------

TEST_F(HostMistakes, OpenWithoutArgumentsIsRefused) {
    WriteNodeFile("T 5000; 20; 1000; 1000;");
    auto block = chantest::NewHostBlock();
    const int threads = chantest::ThreadCount();
    EXPECT_EQ(HostCall(block->bytes, PDX_OPEN_CHANNEL, kChannel, nullptr), PDX_LINK_ERROR);
    EXPECT_TRUE(chantest::ThreadCountSettlesAt(threads));
    EXPECT_EQ(sim_.station(station_).counters().connections, 0u);
}

// ---- A host service that calls back ---------------------------------------

enum class Outer { kParseOnHostThread, kChannelThreadMessage };

struct CallBackCase {
    const char *name;
    Outer outer;      // where the message comes from that the host calls back from
    int inner;        // the command the host's message service calls
    bool otherBlock;  // called for a second channel, not for the one being served
    int innerResult;
};

// The host's message service of the child: at the first message it is armed
// for, it calls PdxMain itself and keeps the result.
struct CallingBackHost {
    std::atomic<bool> armed{false};
    std::atomic<int> result{-1};
    bool onChannelThread = false;
    std::thread::id hostThread;
    void *block = nullptr;
    int command = 0;
    std::atomic<bool> refusalLogged{false};
};
CallingBackHost gHost;

void CallingBackSink(void *, int level, const char *text) {
    const std::string refusal = "Ordax : Command " + std::to_string(gHost.command) +
                                " refused, called back from within the driver on this channel";
    if (level == kLevelDetail && text == refusal) gHost.refusalLogged = true;
    if (gHost.onChannelThread == (std::this_thread::get_id() == gHost.hostThread)) return;
    if (!gHost.armed.exchange(false)) return;
    GateRecord gate{};
    gate.addressText = "05N007001";
    gHost.result = HostCall(gHost.block, gHost.command, kChannel, &gate);
}

// The child's part: exits 0 when the call back returned what the case says
// (a refusal logged as such) instead of hanging on the channel's own lock.
[[noreturn]] void CallBackInChild(const CallBackCase &c) {
    ::alarm(30);  // a deadlock ends the child with SIGALRM
    auto block = chantest::NewHostBlock();
    auto other = chantest::NewHostBlock();
    if (chantest::OpenCommand(*other, kChannel, 0) != PDX_DONE) std::exit(3);
    gHost.hostThread = std::this_thread::get_id();
    gHost.onChannelThread = c.outer == Outer::kChannelThreadMessage;
    gHost.block = c.otherBlock ? other->bytes : block->bytes;
    gHost.command = c.inner;
    TamHubSetMessageSink(&CallingBackSink, nullptr);
    if (c.outer == Outer::kParseOnHostThread) {
        if (chantest::OpenCommand(*block, kChannel, 0) != PDX_DONE) std::exit(4);
        gHost.armed = true;
        GateRecord bad{};
        bad.addressText = "05Q007001";  // rejected with a message
        if (HostCall(block->bytes, PDX_PARSE_GATE, kChannel, &bad) != PDX_REQUEST_ERROR) {
            std::exit(5);
        }
    } else {
        gHost.armed = true;
        if (chantest::OpenCommand(*block, kChannel, 1) != PDX_DONE) std::exit(6);
    }
    if (gHost.result != c.innerResult) std::exit(7);
    if (c.innerResult == PDX_LINK_ERROR && !gHost.refusalLogged) std::exit(8);
    if (chantest::CloseCommand(*block) != PDX_DONE) std::exit(9);
    std::exit(0);
}

class CallBack : public ChildCase, public ::testing::WithParamInterface<CallBackCase> {};

TEST_P(CallBack, IntoTheSameChannelIsRefusedAtOnce) {
    GTEST_FLAG_SET(death_test_style, "fast");  // fork: the child needs no set-up of its own
    EXPECT_EXIT(CallBackInChild(GetParam()), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Channel, CallBack,
    ::testing::Values(CallBackCase{"ParseFromParse", Outer::kParseOnHostThread, PDX_PARSE_GATE,
                                   false, PDX_LINK_ERROR},
                      CallBackCase{"CloseFromParse", Outer::kParseOnHostThread, PDX_CLOSE_CHANNEL,
                                   false, PDX_LINK_ERROR},
                      CallBackCase{"OtherChannelFromParse", Outer::kParseOnHostThread,
                                   PDX_PARSE_GATE, true, PDX_DONE},
                      CallBackCase{"CloseFromChannelThread", Outer::kChannelThreadMessage,
                                   PDX_CLOSE_CHANNEL, false, PDX_LINK_ERROR}),
    [](const auto &param) { return std::string(param.param.name); });

// ---- The library unloaded with a channel open ------------------------------

// The child's part: exits 0 when the library stayed loaded while its
// channel ran and was gone once the channel had been closed.
[[noreturn]] void UnloadInChild() {
    using Entry = int (*)(PdxCall *);
    void *first = ::dlopen(ORDAX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (first == nullptr) std::exit(3);
    auto entry = reinterpret_cast<Entry>(::dlsym(first, "PdxMain"));
    if (entry == nullptr) std::exit(4);
    auto block = chantest::NewHostBlock();
    OpenArgs args{};
    args.openNow = 1;
    args.timeoutCs = 100;
    PdxCall open{block->bytes, PDX_OPEN_CHANNEL, kChannel, 0, &args};
    if (entry(&open) != PDX_DONE) std::exit(5);
    ::dlclose(first);
    plat::SleepMs(300);  // the thread walks every 20 ms in the library's code
    void *again = ::dlopen(ORDAX_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    if (again == nullptr) std::exit(6);  // unloaded under a running thread
    entry = reinterpret_cast<Entry>(::dlsym(again, "PdxMain"));
    PdxCall close{block->bytes, PDX_CLOSE_CHANNEL, kChannel, 0, nullptr};
    if (entry(&close) != PDX_DONE) std::exit(7);
    ::dlclose(again);
    if (::dlopen(ORDAX_LIBRARY, RTLD_NOW | RTLD_NOLOAD) != nullptr) std::exit(8);
    std::exit(0);
}

// The child's part: exits 0 when, after a thousand loads of the library each
// with a channel opened, opened again and closed, the process can still make most of its
// thread-specific keys.
[[noreturn]] void LoadCyclesInChild() {
    using Entry = int (*)(PdxCall *);
    for (int cycle = 0; cycle < 1000; ++cycle) {
        void *library = ::dlopen(ORDAX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) std::exit(3);
        auto entry = reinterpret_cast<Entry>(::dlsym(library, "PdxMain"));
        auto block = chantest::NewHostBlock();
        OpenArgs args{};
        args.openNow = 1;
        PdxCall open{block->bytes, PDX_OPEN_CHANNEL, kChannel, 0, &args};
        if (entry == nullptr || entry(&open) != PDX_DONE) std::exit(4);
        if (entry(&open) != PDX_DONE) std::exit(4);  // the block opened again
        PdxCall close{block->bytes, PDX_CLOSE_CHANNEL, kChannel, 0, nullptr};
        entry(&close);
        ::dlclose(library);
    }
    int keys = 0;
    pthread_key_t key;
    while (keys < 1024 && ::pthread_key_create(&key, nullptr) == 0) ++keys;
    // A normal exit: the leak check of a sanitized build sees whatever the
    // loads left allocated (their client names among it).
    std::exit(keys >= 512 ? 0 : 5);
}

TEST_F(ChildCase, ThousandLoadsLeaveTheProcessItsKeys) {
    GTEST_FLAG_SET(death_test_style, "fast");  // fork: the child needs no set-up of its own
    EXPECT_EXIT(LoadCyclesInChild(), ::testing::ExitedWithCode(0), "");
}

// The host frees the library before command 11: the channel thread keeps
// the library mapped while it runs and lets it go as it ends.
TEST_F(ChildCase, LibraryUnloadedWithAChannelOpen) {
    GTEST_FLAG_SET(death_test_style, "fast");  // fork: the child needs no set-up of its own
    EXPECT_EXIT(UnloadInChild(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
