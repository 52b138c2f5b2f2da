// One single-word read of N7:12, three ways, in rounds of PdxMain, bare,
// Transact, bare, so that machine noise hits every side alike: through
// PdxMain (command 5), through Transact with the request ReadGate built,
// and as the identical frame on a bare blocking client's own connection.
#include <cstring>
#include <memory>
#include <vector>

#include "bench/report/host_gate.h"
#include "bench/report/measure.h"
#include "core/context.h"
#include "link/link.h"
#include "tests/support/bare_client.h"
#include "tests/support/channel_block.h"

namespace bench {

namespace {

using namespace ordax;

struct Side {
    const char *key;
    const char *label;
    double target;
    std::vector<double> driverUs;
    std::vector<double> bareUs;
};

void AddRatio(Report &report, const Side &side) {
    const double driver = Median(side.driverUs);
    const double bare = Median(side.bareUs);
    Figure f{side.key, side.label, bare > 0 ? driver / bare : 0, "ratio", 3, side.target};
    f.detail = Fixed(driver, 1) + " us / " + Fixed(bare, 1) + " us, " +
               std::to_string(side.driverUs.size()) + " pairs";
    f.numbers = {{"median_us", driver},
                 {"bare_median_us", bare},
                 {"pairs", static_cast<double>(side.driverUs.size())}};
    report.Add(f);
}

}  // namespace

void MeasureRoundTrips(ordax_test::HostBlock &block, const Plan &plan, Report &report) {
    HostGate word(block.bytes, kAccessChannel, "01N007012", 1, 0);
    DriverContext &ctx = block.ctx();
    if (!word.Parse() || word.Run(PDX_READ_GATE, 1) != PDX_DONE) {
        report.Fail();
        return;
    }
    // The request as ReadGate left it, for Transact and for the bare frame
    // (built by the same encoder, with the bare connection's session).
    auto request = std::make_unique<Transaction>(ctx.txn);
    auto scratch = ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
    ordax_test::ConfigureStation(*scratch, request->station, kPlc5, kAccessPlc5Ip,
                                 ordax_test::StationLock::kNone);
    scratch->txn = *request;
    ordax_test::BareClient bare;
    if (BuildPcccRequest(*scratch, scratch->txn, nullptr, kStationLockHeld) != kLinkOk ||
        !bare.Open(kAccessPlc5Ip)) {
        report.Fail();
        return;
    }
    const auto length = static_cast<std::size_t>(scratch->txn.frameLength);
    std::uint8_t frame[kFrameCapacity];
    std::uint8_t reply[kFrameCapacity];
    std::memcpy(frame, scratch->txn.frame, length);
    std::memcpy(frame + kEncapSession, bare.session, 4);

    Side pdx{
        "pdxmain_read_ratio", "single-word read: PdxMain / bare socket (medians)", 1.10, {}, {}};
    Side transact{
        "transact_read_ratio", "single-word read: Transact / bare socket (medians)", 1.05, {}, {}};
    for (Side *side : {&pdx, &transact}) {
        side->driverUs.reserve(static_cast<std::size_t>(plan.roundTripRounds));
        side->bareUs.reserve(static_cast<std::size_t>(plan.roundTripRounds));
    }
    int failures = 0;
    for (int i = 0; i < plan.warmup + plan.roundTripRounds; ++i) {
        Clock::time_point t0 = Clock::now();
        failures += word.Run(PDX_READ_GATE, 1) != PDX_DONE;
        const double d = MicrosSince(t0);
        t0 = Clock::now();
        failures += !bare.RoundTrip(frame, length, reply);
        const double b1 = MicrosSince(t0);
        t0 = Clock::now();
        failures += Transact(ctx, *request, nullptr, kTakeStationLock) != kLinkOk;
        const double t = MicrosSince(t0);
        t0 = Clock::now();
        failures += !bare.RoundTrip(frame, length, reply);
        const double b2 = MicrosSince(t0);
        if (i < plan.warmup) continue;
        pdx.driverUs.push_back(d);
        pdx.bareUs.push_back(b1);
        transact.driverUs.push_back(t);
        transact.bareUs.push_back(b2);
    }
    report.Fail(failures);
    AddRatio(report, pdx);
    AddRatio(report, transact);
}

}  // namespace bench
