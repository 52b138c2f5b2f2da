// The exchange of one read or write command: its records, the check that
// the request fits the Transaction, the tries and the report.
#include "access/access_internal.h"
#include "access/access_messages.h"
#include "address/address.h"
#include "core/relaxed.h"
#include "diag/report.h"
#include "link/link.h"

namespace ordax {

namespace {

constexpr int kTries = 3;

constexpr int kHighestBit = 15;  // bits of one word

bool TryAgainAfter(TryAgain rule, LinkResult result) {
    return rule == TryAgain::kAfterTimeout ? result == kLinkTimeout : result != kLinkOk;
}

const char *AddressOf(const GateAccess &gate) {
    return gate.addressText != nullptr ? gate.addressText : "";
}

}  // namespace

bool AccessCallRecords(PdxCall *call, DriverContext **ctx, GateAccess **gate) {
    if (call == nullptr || call->driverContext == nullptr || call->args == nullptr) return false;
    auto *record = static_cast<GateAccess *>(call->args);
    if (record->data == nullptr) return false;
    *ctx = ContextOf(call->driverContext);
    *gate = record;
    return true;
}

bool BeginAccess(PdxCall *call, std::int32_t function, DriverContext **ctx, GateAccess **gate) {
    if (!AccessCallRecords(call, ctx, gate)) return false;
    Transaction &txn = (*ctx)->txn;
    txn.station = static_cast<std::uint8_t>((*gate)->station & 0xFF);
    txn.function = function;
    return true;
}

bool Plc5FloatWords(const DriverContext &ctx, const GateAccess &gate) {
    // A station number past the table is no PLC-5; the engine refuses it.
    if (ctx.txn.station >= kStationCount) return false;
    const std::int32_t plcType = LoadRelaxed(ctx.stations[ctx.txn.station].plcType);
    const FileTypeRow *row = FileTypeOfLetter(gate.fileType);
    return plcType == kPlc5 && row != nullptr && row->HasWideValues() && gate.valueBits == 32;
}

// The data area bounds the words on the wire (a read's reply and a write's
// request then fit the frame as well); what a block moves to or from the
// host's buffer never exceeds them (HostBlockBytes).
bool WordRequestFits(const GateAccess &gate) {
    constexpr std::int64_t kMaxWords = kDataWords;
    const std::int64_t words = WordRequestWords(gate);
    const bool fits = gate.count >= 0 && words >= 0 && words <= kMaxWords;
    if (!fits) Emit(accessmsg::kCountTooLarge, gate.count, AddressOf(gate));
    return fits;
}

bool GateFieldsValid(const GateAccess &gate, bool bitRequest) {
    const bool width = gate.valueBits == kNarrowValueBits || gate.valueBits == kWideValueBits;
    const bool bit = !bitRequest || (gate.bit >= 0 && gate.bit <= kHighestBit);
    if (!width || !bit)
        Emit(accessmsg::kInvalidBitOrWidth, gate.bit, gate.valueBits, AddressOf(gate));
    return width && bit;
}

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

int ExchangeWords(DriverContext &ctx, const GateAccess &gate, TryAgain rule,
                  const char *operation) {
    PrepareWordRequest(gate, ctx);
    return RunTries(ctx, gate, rule, operation);
}

int ReportRefusedRequest(const DriverContext &ctx, const GateAccess &gate, const char *operation) {
    return ReportLinkStatus(kLinkBadCount, ctx.txn, operation, &gate);
}

}  // namespace ordax
