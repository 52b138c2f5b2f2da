// A walk connects its stations side by side: the first walk over stations
// that answer, refuse, stay silent or never answer the session costs about
// one connect wait and one session wait however many are silent, names
// every station's outcome, and a hot-backup pair's switch-over is noticed
// on time while other stations' connects are pending.
//
// Stations: 127.0.9.1 to 127.0.9.40 and their partners 127.0.9.101 to
// 127.0.9.140 (first walk); 127.0.10.1, 127.0.10.2 (the pair) and
// 127.0.10.11 to 127.0.10.30 (the stations beside it).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/context.h"
#include "link/link.h"
#include "ordax.h"
#include "platform/clock.h"
#include "testkit/host_channel.h"
#include "testkit/messages.h"
#include "testkit/station_watch.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using ordax_test::ReadN7;
using ordax_test::WaitUntil;

constexpr std::uint32_t kConnectMs = 1000;
constexpr std::uint32_t kSessionMs = 1000;
constexpr std::int32_t kTimeoutCs = 100;

enum class Kind {
    kNone,           // no standby partner
    kAnswers,        // connects and answers the session
    kRefuses,        // the listener is closed
    kSilent,         // connects are never answered
    kSessionSilent,  // accepts, never answers the session request
    kHalfOpen,       // accepts, sends 10 bytes of the session reply, then holds
};

// What a failed attempt logs just before "Failure connecting to".
const char *StepMessage(Kind kind) {
    switch (kind) {
        case Kind::kRefuses:
            return "8|Ordax : socket connect attempt to connected was forcefully refused";
        case Kind::kSilent:
            return "8|Ordax : connect select timeout";
        case Kind::kSessionSilent:
        case Kind::kHalfOpen:
            return "8|Ordax : session establish received failed";
        default:
            return "";
    }
}

struct Node {
    Kind base;
    Kind standby;
};

struct Group {
    int count;
    Node node;
};

struct WalkCase {
    const char *name;
    bool slc;
    std::vector<Group> groups;  // stations 01, 02, ... in this order
};

const WalkCase kWalkCases[] = {
    {"TenSilentBesideOneAnswering",
     false,
     {{1, {Kind::kAnswers, Kind::kNone}}, {10, {Kind::kSilent, Kind::kNone}}}},
    {"ThirtySilentBetweenTwoAnswering",
     true,
     {{1, {Kind::kAnswers, Kind::kNone}},
      {30, {Kind::kSilent, Kind::kNone}},
      {1, {Kind::kAnswers, Kind::kNone}}}},
    {"RefusedAndAnsweringMixed",
     false,
     {{2, {Kind::kRefuses, Kind::kNone}},
      {3, {Kind::kAnswers, Kind::kNone}},
      {2, {Kind::kRefuses, Kind::kNone}}}},
    {"EveryKindMixed",
     true,
     {{3, {Kind::kSilent, Kind::kNone}},
      {2, {Kind::kAnswers, Kind::kNone}},
      {3, {Kind::kSessionSilent, Kind::kNone}},
      {3, {Kind::kRefuses, Kind::kNone}},
      {2, {Kind::kAnswers, Kind::kNone}}}},
    {"TenHalfOpenBesideOneAnswering",
     false,
     {{10, {Kind::kHalfOpen, Kind::kNone}}, {1, {Kind::kAnswers, Kind::kNone}}}},
    {"HalfOpenAmongEveryKindSlc",
     true,
     {{3, {Kind::kHalfOpen, Kind::kNone}},
      {2, {Kind::kAnswers, Kind::kNone}},
      {2, {Kind::kSilent, Kind::kNone}},
      {3, {Kind::kHalfOpen, Kind::kAnswers}}}},
    {"PairsFallBackSideBySide",
     false,
     {{3, {Kind::kSilent, Kind::kAnswers}},
      {3, {Kind::kRefuses, Kind::kSilent}},
      {2, {Kind::kSessionSilent, Kind::kRefuses}},
      {1, {Kind::kAnswers, Kind::kSilent}},
      {5, {Kind::kSilent, Kind::kNone}}}},
};

void PrintTo(const WalkCase &c, std::ostream *os) {
    *os << c.name;
}

std::string BaseIp(int number) {
    return "127.0.9." + std::to_string(number);
}
std::string StandbyIp(int number) {
    return "127.0.9." + std::to_string(100 + number);
}

std::vector<std::string> Messages(const ordax_test::MessageCapture &log) {
    std::vector<std::string> out;
    for (const ordax_test::Message &m : log.All()) {
        out.push_back(std::to_string(m.level) + "|" + m.text);
    }
    return out;
}

// Adds a simulated station of `kind` at `ip`; -1 when it could not be.
int AddStation(plcsim::Simulator &sim, const std::string &ip, Kind kind, bool slc,
               const char *tables = "") {
    const plcsim::Family family = slc ? plcsim::Family::Slc5 : plcsim::Family::Plc5;
    const int handle = sim.AddStation({ip, family, tables, 2222, kind == Kind::kSilent});
    if (handle < 0) return -1;
    if (kind == Kind::kRefuses) sim.station(handle).SetAccepting(false);
    if (kind == Kind::kSessionSilent) sim.station(handle).SetSessionSilent(true);
    if (kind == Kind::kHalfOpen) sim.station(handle).StallAfterBytes(10);
    return handle;
}

// ---- The first walk ---------------------------------------------------------

class FirstWalk : public ::testing::TestWithParam<WalkCase> {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.ok()) << dir_.error(); }

    ordax_test::NodeDir dir_{"ordax-side-by-side"};
    plcsim::Simulator sim_;
    ordax_test::MessageCapture log_;
};

// Command 1 returns after every station was tried once, within about one
// connect wait and one session wait per address of a pair (partners are
// tried after their base failed); each station logs its own outcome, the
// failed step right before its "Failure connecting to", the fall-back
// message before the partner's attempt; the stations that answered serve
// a read, the others are not connected.
TEST_P(FirstWalk, TriesEveryStationSideBySide) {
    const WalkCase &c = GetParam();
    const char *type = c.slc ? "-SLC5" : "";
    std::vector<std::string> lines = {"T 60000; 20; " + std::to_string(kConnectMs) + "; " +
                                      std::to_string(kSessionMs) + ";"};
    struct Expect {
        int number;
        std::vector<std::string> messages;  // in this order
        std::vector<std::string> adjacent;  // step message, then its failure line
        bool connected;
    };
    std::vector<Expect> expects;
    bool pairs = false;
    int number = 0;
    for (const Group &g : c.groups) {
        for (int i = 0; i < g.count; ++i) {
            ++number;
            const std::string base = BaseIp(number);
            ASSERT_GE(AddStation(sim_, base, g.node.base, c.slc), 0) << sim_.LastError();
            char station[16];
            std::snprintf(station, sizeof station, "%02d = ", number);
            std::string line = station + base + type;
            Expect e{number, {}, {}, false};
            auto outcome = [&e](Kind kind, const std::string &ip) {
                if (kind == Kind::kAnswers) {
                    e.messages.push_back("8|Ordax : Connected to " + ip);
                    e.connected = true;
                    return;
                }
                const std::string failure = "32|Ordax : Failure connecting to " + ip;
                e.messages.push_back(StepMessage(kind));
                e.messages.push_back(failure);
                e.adjacent.push_back(StepMessage(kind));
                e.adjacent.push_back(failure);
            };
            outcome(g.node.base, base);
            if (g.node.standby != Kind::kNone) {
                pairs = true;
                const std::string standby = StandbyIp(number);
                ASSERT_GE(AddStation(sim_, standby, g.node.standby, c.slc), 0) << sim_.LastError();
                line += ", " + standby + (c.slc ? ";SLC5" : "");
                if (g.node.base != Kind::kAnswers) {
                    e.messages.push_back(
                        "8|Ordax : Connect Failed attempting connect to Hot Backup !!!");
                    outcome(g.node.standby, standby);
                }
            }
            lines.push_back(line);
            expects.push_back(e);
        }
    }
    ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
    dir_.Write(41, lines);

    auto block = ordax_test::NewHostBlock();
    DriverContext &ctx = block->ctx();
    const std::uint32_t start = plat::TickCount();
    ASSERT_EQ(ordax_test::OpenCommand(*block, 41, 1, kTimeoutCs), PDX_DONE);
    const std::uint32_t opened = plat::TickCount() - start;
    const std::vector<std::string> all = Messages(log_);  // the first walk's, before any read
    std::vector<LinkResult> reads;
    for (const Expect &e : expects) reads.push_back(ReadN7(ctx, e.number));
    ordax_test::CloseCommand(*block);

    std::printf("  %-32s %d stations: first walk %u ms\n", c.name, number, opened);
    const std::uint32_t waits = (pairs ? 2u : 1u) * (kConnectMs + kSessionMs);
    EXPECT_LT(opened, 2 * waits) << "the connects were not awaited side by side";
    for (std::size_t i = 0; i < expects.size(); ++i) {
        const Expect &e = expects[i];
        EXPECT_EQ(reads[i], e.connected ? kLinkOk : kLinkNotConnected) << "station " << e.number;
        std::size_t at = 0;
        for (const std::string &want : e.messages) {
            while (at < all.size() && all[at] != want) ++at;
            EXPECT_LT(at, all.size())
                << "station " << e.number << ": missing or out of order: " << want << "\n"
                << ::testing::PrintToString(all);
        }
        for (std::size_t k = 0; k + 1 < e.adjacent.size(); k += 2) {
            bool found = false;
            for (std::size_t m = 1; m < all.size(); ++m) {
                found = found || (all[m] == e.adjacent[k + 1] && all[m - 1] == e.adjacent[k]);
            }
            EXPECT_TRUE(found) << "station " << e.number << ": " << e.adjacent[k + 1]
                               << " not right after " << e.adjacent[k];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Stations, FirstWalk, ::testing::ValuesIn(kWalkCases),
                         [](const auto &param) { return std::string(param.param.name); });

// ---- A pair's switch-over beside pending connects -----------------------------

struct SwapCase {
    const char *name;
    bool slc;
    int silent;         // stations beside the pair whose connects are never answered
    int sessionSilent;  // stations beside it that never answer the session
    int halfOpen;       // stations beside it that send part of the session reply
};

void PrintTo(const SwapCase &c, std::ostream *os) {
    *os << c.name;
}

const SwapCase kSwapCases[] = {
    {"Alone", false, 0, 0, 0},
    {"BesideTenSilent", false, 10, 0, 0},
    {"BesideTenSilentSlc", true, 10, 0, 0},
    {"BesideSilentAndSessionSilent", false, 5, 5, 0},
    {"BesideTenHalfOpen", false, 0, 0, 10},
    {"BesideHalfOpenAndSilentSlc", true, 5, 0, 5},
};

constexpr std::uint32_t kSuperviseMs = 1000;

class PairSwap : public ::testing::TestWithParam<SwapCase> {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.ok()) << dir_.error(); }

    ordax_test::NodeDir dir_{"ordax-side-by-side"};
    plcsim::Simulator sim_;
    ordax_test::MessageCapture log_;
};

// After the pair's master changes, the new master's flag is read within a
// few superviseIntervals although the stations beside the pair keep the
// channel thread's connects pending all the time.
TEST_P(PairSwap, IsNoticedWhileOtherConnectsArePending) {
    const SwapCase &c = GetParam();
    const char *type = c.slc ? "-SLC5" : "";
    const int base = AddStation(sim_, "127.0.10.1", Kind::kAnswers, c.slc, "N31:1");
    const int standby = AddStation(sim_, "127.0.10.2", Kind::kAnswers, c.slc, "N31:1");
    ASSERT_GE(base, 0) << sim_.LastError();
    ASSERT_GE(standby, 0) << sim_.LastError();
    const int pair = sim_.AddHotBackupPair(base, standby);
    ASSERT_GE(pair, 0);
    std::vector<std::string> lines = {
        "T " + std::to_string(kSuperviseMs) + "; 20; " + std::to_string(kConnectMs) + "; " +
            std::to_string(kSessionMs) + ";",
        std::string("01 = 127.0.10.1") + type + ", 127.0.10.2" + (c.slc ? ";SLC5" : "")};
    for (int i = 0; i < c.silent + c.sessionSilent + c.halfOpen; ++i) {
        const std::string ip = "127.0.10." + std::to_string(11 + i);
        const Kind kind = i < c.silent                     ? Kind::kSilent
                          : i < c.silent + c.sessionSilent ? Kind::kSessionSilent
                                                           : Kind::kHalfOpen;
        ASSERT_GE(AddStation(sim_, ip, kind, c.slc), 0) << sim_.LastError();
        lines.push_back(std::to_string(10 + i) + " = " + ip + type);
    }
    ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
    dir_.Write(42, lines);

    auto flagReads = [&](int handle) { return sim_.station(handle).counters().requests; };
    auto block = ordax_test::NewHostBlock();
    ASSERT_EQ(ordax_test::OpenCommand(*block, 42, 1, kTimeoutCs), PDX_DONE);
    // The base is master: wait for a flag read there, then swap at once,
    // so that the next read is a whole superviseInterval away.
    const std::uint64_t before = flagReads(base);
    const bool baseRead = WaitUntil([&] { return flagReads(base) > before; }, 20000);
    EXPECT_TRUE(baseRead) << "the base's flag was never read";
    ASSERT_TRUE(sim_.SwapMaster(pair));
    const std::uint32_t swapped = plat::TickCount();
    const bool standbyRead = WaitUntil([&] { return flagReads(standby) > 0; }, 30000);
    const std::uint32_t noticed = plat::TickCount() - swapped;
    // A host read now goes to the new master.
    const std::uint64_t reads = flagReads(standby);
    const LinkResult read = ReadN7(block->ctx(), 1);
    const std::uint64_t after = flagReads(standby);
    ordax_test::CloseCommand(*block);

    std::printf("  %-30s swap noticed after %u ms\n", c.name, noticed);
    EXPECT_TRUE(standbyRead) << "the standby's flag was never read";
    EXPECT_LT(noticed, 3 * kSuperviseMs + kConnectMs);
    EXPECT_EQ(read, kLinkOk) << ::testing::PrintToString(Messages(log_));
    EXPECT_EQ(after, reads + 1);
    EXPECT_TRUE(log_.Has(
        "Ordax : Master Flag not set, switching Base IP 127.0.10.1 Standby IP 127.0.10.2 !!!",
        kLevelError));
}

// Command 11 ends a walk at once, whatever its attempts beside the pair are
// waiting for: a connect, a session reply of which no byte came, or the
// rest of one cut short. The stop is requested while the half-open
// stations' second attempts are under way.
TEST_P(PairSwap, StopEndsTheWalkWithAttemptsPending) {
    const SwapCase &c = GetParam();
    const char *type = c.slc ? "-SLC5" : "";
    const int base = AddStation(sim_, "127.0.10.1", Kind::kAnswers, c.slc, "N31:1");
    const int standby = AddStation(sim_, "127.0.10.2", Kind::kAnswers, c.slc, "N31:1");
    ASSERT_GE(base, 0) << sim_.LastError();
    ASSERT_GE(standby, 0) << sim_.LastError();
    ASSERT_GE(sim_.AddHotBackupPair(base, standby), 0);
    std::vector<std::string> lines = {
        "T " + std::to_string(kSuperviseMs) + "; 20; " + std::to_string(kConnectMs) + "; " +
            std::to_string(kSessionMs) + ";",
        std::string("01 = 127.0.10.1") + type + ", 127.0.10.2" + (c.slc ? ";SLC5" : "")};
    std::vector<int> halfOpen;
    for (int i = 0; i < c.silent + c.sessionSilent + c.halfOpen; ++i) {
        const std::string ip = "127.0.10." + std::to_string(11 + i);
        const Kind kind = i < c.silent                     ? Kind::kSilent
                          : i < c.silent + c.sessionSilent ? Kind::kSessionSilent
                                                           : Kind::kHalfOpen;
        const int handle = AddStation(sim_, ip, kind, c.slc);
        ASSERT_GE(handle, 0) << sim_.LastError();
        if (kind == Kind::kHalfOpen) halfOpen.push_back(handle);
        lines.push_back(std::to_string(10 + i) + " = " + ip + type);
    }
    ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
    dir_.Write(43, lines);

    auto block = ordax_test::NewHostBlock();
    ASSERT_EQ(ordax_test::OpenCommand(*block, 43, 1, kTimeoutCs), PDX_DONE);
    const bool retried = WaitUntil(
        [&] {
            for (int h : halfOpen) {
                if (sim_.station(h).counters().connections < 2) return false;
            }
            return true;
        },
        20000);
    const std::uint32_t start = plat::TickCount();
    EXPECT_EQ(ordax_test::CloseCommand(*block), PDX_DONE);
    const std::uint32_t closed = plat::TickCount() - start;

    std::printf("  %-30s command 11 took %u ms\n", c.name, closed);
    EXPECT_TRUE(retried) << "the half-open stations were not tried again";
    EXPECT_LT(closed, 1000u) << "the stop waited for the pending attempts";
}

INSTANTIATE_TEST_SUITE_P(Stations, PairSwap, ::testing::ValuesIn(kSwapCases),
                         [](const auto &param) { return std::string(param.param.name); });

}  // namespace
