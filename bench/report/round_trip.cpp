// One single-word read of N7:12 through PdxMain (command 5), through
// Transact with the request ReadGate built, and as the identical frame on a
// bare blocking client's own connection, in rounds where each side is
// followed by a bare round trip, so that machine noise hits every side
// alike. A third side, the bare client waiting for readiness before it
// reads the reply, shows what the driver's receive (a readiness wait with a
// time limit, then the reads) costs by itself. A fourth, the PdxMain read on
// a channel whose frame trace is on, shows what the trace's two lines cost.
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "bench/report/host_gate.h"
#include "bench/report/measure.h"
#include "core/context.h"
#include "link/link.h"
#include "testkit/baseline_client.h"
#include "testkit/channel_block.h"

namespace bench {

namespace {

using namespace ordax;

struct Side {
    const char *key;
    const char *label;
    std::optional<double> target;
    std::function<bool()> exchange;
    std::vector<double> driverUs = {};
    std::vector<double> bareUs = {};
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

// Builds `request` with the encoder on a scratch channel block, opens the
// bare client and leaves the frame with the bare connection's session in
// `frame`; false when either fails.
bool BareFrame(const Transaction &request, ordax_test::BaselineClient &bare, std::uint8_t *frame,
               std::size_t &length) {
    auto scratch = ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
    ordax_test::ConfigureStation(*scratch, request.station, kPlc5, kAccessPlc5Ip,
                                 ordax_test::StationLock::kNone);
    scratch->txn = request;
    if (BuildPcccRequest(*scratch, scratch->txn, nullptr, kStationLockHeld) != kLinkOk ||
        !bare.Open(kAccessPlc5Ip)) {
        return false;
    }
    length = static_cast<std::size_t>(scratch->txn.frameLength);
    std::memcpy(frame, scratch->txn.frame, length);
    std::memcpy(frame + kEncapSession, bare.session, 4);
    return true;
}

// The warm-up and the measured rounds: each side, then a bare round trip.
// Returns the number of failed exchanges.
template <std::size_t N>
int RunRounds(Side (&sides)[N], const Plan &plan, ordax_test::BaselineClient &bare,
              const std::uint8_t *frame, std::size_t length) {
    std::uint8_t reply[kFrameCapacity];
    int failures = 0;
    for (int i = 0; i < plan.warmup + plan.roundTripRounds; ++i) {
        for (Side &side : sides) {
            Clock::time_point t0 = Clock::now();
            failures += !side.exchange();
            const double d = MicrosSince(t0);
            t0 = Clock::now();
            failures += !bare.RoundTrip(frame, length, reply);
            const double b = MicrosSince(t0);
            if (i < plan.warmup) continue;
            side.driverUs.push_back(d);
            side.bareUs.push_back(b);
        }
    }
    return failures;
}

}  // namespace

void MeasureRoundTrips(ordax_test::HostBlock &block, ordax_test::HostBlock &traced,
                       const Plan &plan, Report &report) {
    HostGate word(block.bytes, kAccessChannel, "01N007012", 1, 0);
    HostGate tracedWord(traced.bytes, kTraceChannel, "01N007012", 1, 0);
    DriverContext &ctx = block.ctx();
    if (!word.Parse() || word.Run(PDX_READ_GATE, 1) != PDX_DONE || !tracedWord.Parse()) {
        report.Fail();
        return;
    }
    // The request as ReadGate left it, for Transact and for the bare frame
    // (built by the same encoder, with the bare connection's session).
    auto request = std::make_unique<Transaction>(ctx.txn);
    ordax_test::BaselineClient bare;
    std::uint8_t frame[kFrameCapacity];
    std::size_t length = 0;
    if (!BareFrame(*request, bare, frame, length)) {
        report.Fail();
        return;
    }

    std::uint8_t reply[kFrameCapacity];

    // Each side, and a bare round trip right after it.
    Side sides[] = {
        {"pdxmain_read_ratio", "single-word read: PdxMain / bare socket (medians)", 1.10,
         [&] { return word.Run(PDX_READ_GATE, 1) == PDX_DONE; }},
        {"transact_read_ratio", "single-word read: Transact / bare socket (medians)", 1.05,
         [&] { return Transact(ctx, *request, nullptr) == kLinkOk; }},
        {"bare_poll_read_ratio",
         "bare socket waiting in poll() first / bare socket",
         {},
         [&] { return bare.RoundTrip(frame, length, reply, true); }},
        {"pdxmain_read_ratio_trace_on",
         "single-word read, trace on: PdxMain / bare (medians)",
         {},
         [&] { return tracedWord.Run(PDX_READ_GATE, 1) == PDX_DONE; }},
    };
    report.Fail(RunRounds(sides, plan, bare, frame, length));
    for (const Side &side : sides) AddRatio(report, side);
}

}  // namespace bench
