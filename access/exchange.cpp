// The exchange of one prepared read or write: its tries, and the report of
// its outcome or of a refused request.
#include "access/access_internal.h"
#include "diag/report.h"
#include "link/link.h"

namespace ordax {

namespace {

constexpr int kTries = 3;

bool TryAgainAfter(TryAgain rule, LinkResult result) {
    return rule == TryAgain::kAfterTimeout ? result == kLinkTimeout : result != kLinkOk;
}

}  // namespace

// Only a time-out, or for writes any failure, is tried again: the engine
// has closed the station after it, and the channel thread may have
// reconnected it during the engine's pause.
int RunTries(DriverContext &ctx, const GateAccess &gate, TryAgain rule, const char *operation) {
    LinkResult result = kLinkOk;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        result = Transact(ctx, ctx.txn, AddressOf(gate));
        if (!TryAgainAfter(rule, result)) break;
    }
    return ReportLinkStatus(result, ctx.txn, operation, &gate);
}

int ReportRefusedRequest(const DriverContext &ctx, const GateAccess &gate, const char *operation) {
    return ReportLinkStatus(kLinkBadCount, ctx.txn, operation, &gate);
}

}  // namespace ordax
