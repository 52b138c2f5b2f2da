// Stations that refuse, close, stay silent or have no address, each beside
// an answering station of the same family on one open channel: the messages
// each logs, the link result of a read from it, how long its first attempt
// and that read took, and that the answering station is served all along.
//
// Stations: 127.0.8.1 answers; 127.0.8.2 has the fault; nothing listens on
// 127.0.8.3.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "core/context.h"
#include "link/link.h"
#include "ordax.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "testkit/host_channel.h"
#include "testkit/messages.h"
#include "testkit/station_watch.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using ordax_test::ReadN7;

constexpr int kChannel = 71;
constexpr int kAnswering = 1;
constexpr int kFaulty = 2;
// Supervision once a minute (the test sees the first walk only), 20 ms
// between walks, connect and session waits of 3 s; a 3 s reply time-out.
constexpr const char *kTimingLine = "T 60000; 20; 3000; 3000;";
constexpr std::int32_t kTimeoutCs = 300;

enum class Fault {
    kRefuses,           // the listener is closed: connects are refused
    kSilent,            // connects are never answered
    kClosesSession,     // accepts, closes on the session request
    kClosesOnRequest,   // answers the session, closes on the read
    kEmptyStandby,      // refused base, then an empty standby address
    kUnresolvableName,  // a host name that does not resolve
};

struct Case {
    const char *name;
    Fault fault;
    const char *station;  // the faulty station's node line after "02 = "; %s = type suffix
    std::vector<std::string> messages;  // "level|text", in this order among the others
    std::uint32_t maxMs;                // generous bound for the open and the read together
};

const Case kCases[] = {
    {"Refused",
     Fault::kRefuses,
     "127.0.8.2%s",
     {"8|Ordax : socket connect attempt to connected was forcefully refused",
      "32|Ordax : Failure connecting to 127.0.8.2"},
     2000},
    {"Silent",
     Fault::kSilent,
     "127.0.8.2%s",
     {"8|Ordax : connect select timeout", "32|Ordax : Failure connecting to 127.0.8.2"},
     3000 + 4000},
    {"ClosesOnTheSessionRequest",
     Fault::kClosesSession,
     "127.0.8.2%s",
     {"32|Ordax : Receive Message error 10054 0x10054",
      "8|Ordax : session establish received failed", "32|Ordax : Failure connecting to 127.0.8.2"},
     2000},
    {"ClosesOnTheRead",
     Fault::kClosesOnRequest,
     "127.0.8.2%s",
     {"8|Ordax : Connected to 127.0.8.2", "32|Ordax : Receive Message error 10054 0x10054"},
     2000},
    {"EmptyStandby",
     Fault::kEmptyStandby,
     "127.0.8.3%s,",
     {"8|Ordax : socket connect attempt to connected was forcefully refused",
      "32|Ordax : Failure connecting to 127.0.8.3",
      "8|Ordax : Connect Failed attempting connect to Hot Backup !!!",
      "32|Ordax : Invalid host name: ", "32|Ordax : Failure connecting to "},
     2000},
    {"UnresolvableName",
     Fault::kUnresolvableName,
     "ordaxnosuchhostq7%s",
     {"32|Ordax : Invalid host name: ordaxnosuchhostq7",
      "32|Ordax : Failure connecting to ordaxnosuchhostq7"},
     15000},
    // A host name with dots is looked up (here it names the refusing
    // station), never taken for the broadcast address inet_addr gives it.
    {"DottedHostName",
     Fault::kRefuses,
     "plc7.line2.example%s",
     {"8|Ordax : socket connect attempt to connected was forcefully refused",
      "32|Ordax : Failure connecting to plc7.line2.example"},
     2000},
    {"UnresolvableDottedName",
     Fault::kUnresolvableName,
     "plc9.line2.invalid%s",
     {"32|Ordax : Invalid host name: plc9.line2.invalid",
      "32|Ordax : Failure connecting to plc9.line2.invalid"},
     15000},
    {"BroadcastAddress",
     Fault::kUnresolvableName,
     "255.255.255.255%s",
     {"32|Ordax : Invalid host name: 255.255.255.255",
      "32|Ordax : Failure connecting to 255.255.255.255"},
     2000},
};

// Every case: none of these may appear (a closed peer is no time-out, a
// refusal no failed send).
const char *const kNever[] = {
    "32|Ordax : Timeout from receive message",
    "8|Ordax : session connect send failed",
    "32|Ordax : Receive Message error 10060 0x10060",
};

// The names the driver asked the resolver for, through the native table;
// the one name of the site's own resolver answers here.
std::vector<std::string> gLookups;
constexpr const char *kSiteName = "plc7.line2.example";
constexpr const char *kSiteNameAddress = "127.0.8.2";

int RecordingLookup(const char *name, std::uint32_t *addr) {
    gLookups.emplace_back(name);
    if (std::string(name) == kSiteName) {
        *addr = plat::NativeSockets().inetAddr(kSiteNameAddress);
        return 0;
    }
    return plat::NativeSockets().lookupHost(name, addr);
}

struct Param {
    Case c;
    bool slc;
};

void PrintTo(const Param &p, std::ostream *os) {
    *os << p.c.name << (p.slc ? " SLC 5" : " PLC-5");
}

std::string ParamName(const ::testing::TestParamInfo<Param> &info) {
    return std::string(info.param.c.name) + (info.param.slc ? "Slc5" : "Plc5");
}

std::vector<Param> AllParams() {
    std::vector<Param> out;
    for (const Case &c : kCases) {
        out.push_back({c, false});
        out.push_back({c, true});
    }
    return out;
}

std::vector<std::string> Messages(const ordax_test::MessageCapture &log) {
    std::vector<std::string> out;
    for (const ordax_test::Message &m : log.All()) {
        out.push_back(std::to_string(m.level) + "|" + m.text);
    }
    return out;
}

class Unreachable : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok()) << dir_.error();
        const Param &p = GetParam();
        const plcsim::Family family = p.slc ? plcsim::Family::Slc5 : plcsim::Family::Plc5;
        const int answering = sim_.AddStation({"127.0.8.1", family, "", 2222});
        ASSERT_GE(answering, 0) << sim_.LastError();
        ASSERT_TRUE(sim_.station(answering).SetWord({plcsim::FileType::N, 7, 0, 0}, 4321));
        faulty_ = sim_.AddStation({"127.0.8.2", family, "", 2222, p.c.fault == Fault::kSilent});
        ASSERT_GE(faulty_, 0) << sim_.LastError();
        if (p.c.fault == Fault::kRefuses) sim_.station(faulty_).SetAccepting(false);
        if (p.c.fault == Fault::kClosesSession) sim_.station(faulty_).CloseAfterBytes(0);
        ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
        gLookups.clear();
        recording_ = plat::NativeSockets();
        recording_.lookupHost = &RecordingLookup;
        plat::SetSocketOps(&recording_);
    }
    void TearDown() override { plat::SetSocketOps(nullptr); }

    ordax_test::NodeDir dir_{"ordax-stations"};
    plcsim::Simulator sim_;
    ordax_test::MessageCapture log_;
    plat::SocketOps recording_{};
    int faulty_ = -1;
};

TEST_P(Unreachable, IsNamedAtOnceBesideAnAnsweringStation) {
    const Param &p = GetParam();
    const char *type = p.slc ? "-SLC5" : "";
    char faultyLine[96];
    std::snprintf(faultyLine, sizeof faultyLine, p.c.station, type);
    std::string line = std::string("02 = ") + faultyLine;
    if (p.c.fault == Fault::kEmptyStandby && p.slc) line += ";SLC5";
    dir_.Write(kChannel, {kTimingLine, std::string("01 = 127.0.8.1") + type, line});

    auto block = ordax_test::NewHostBlock();
    DriverContext &ctx = block->ctx();
    const std::uint32_t start = plat::TickCount();
    ASSERT_EQ(ordax_test::OpenCommand(*block, kChannel, 1, kTimeoutCs), 0);
    const std::uint32_t opened = plat::TickCount();
    if (p.c.fault == Fault::kClosesOnRequest) sim_.station(faulty_).CloseAfterBytes(0);
    std::uint16_t value = 0;
    const LinkResult faulty = ReadN7(ctx, kFaulty, &value);
    const std::uint32_t done = plat::TickCount();
    const LinkResult answering = ReadN7(ctx, kAnswering, &value);
    ordax_test::CloseCommand(*block);

    std::printf("  %-26s %s: first walk %u ms, read of the station %u ms\n", p.c.name,
                p.slc ? "SLC 5" : "PLC-5", opened - start, done - opened);
    EXPECT_EQ(faulty, kLinkNotConnected);
    EXPECT_EQ(answering, kLinkOk);
    EXPECT_EQ(value, 4321);
    EXPECT_LT(done - start, p.c.maxMs);

    const std::vector<std::string> all = Messages(log_);
    std::size_t at = 0;
    for (const std::string &want : p.c.messages) {
        while (at < all.size() && all[at] != want) ++at;
        EXPECT_LT(at, all.size()) << "missing or out of order: " << want << "\n"
                                  << ::testing::PrintToString(all);
    }
    for (const char *never : kNever) {
        for (const std::string &m : all) EXPECT_NE(m, never);
    }
    EXPECT_NE(std::find(all.begin(), all.end(), "8|Ordax : Connected to 127.0.8.1"), all.end());
    for (const std::string &name : gLookups) {
        EXPECT_FALSE(name.empty()) << "an empty address went to the resolver";
    }
}

INSTANTIATE_TEST_SUITE_P(Stations, Unreachable, ::testing::ValuesIn(AllParams()), ParamName);

}  // namespace
