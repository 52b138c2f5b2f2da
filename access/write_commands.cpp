// Commands 7 and 10: bits, words, double words and blocks from the host's
// buffer to a PLC.
#include <algorithm>
#include <cstddef>

#include "access/access.h"
#include "access/access_internal.h"
#include "access/host_cell.h"
#include "diag/report.h"

namespace ordax {

namespace {

const std::uint8_t *HostBytes(const GateAccess &gate) {
    return static_cast<const std::uint8_t *>(gate.data);
}

// Copies the gate's values from the host's buffer into the Transaction's
// words in PLC order: the bytes the plan allows, and 0 in every word of
// the request they do not fill.
void LoadWords(DriverContext &ctx, const GateAccess &gate, const WordPlan &plan) {
    const std::uint8_t *in = HostBytes(gate);
    std::uint16_t *words = ctx.txn.data;
    const std::size_t bytes = plan.hostBytes;
    std::fill_n(words, std::size_t{ctx.txn.count}, std::uint16_t{0});
    if (plan.plc5Float) {
        for (std::size_t v = 0; v < bytes / 4; ++v) {
            words[2 * v] = GetHostU16(in + 4 * v + kCellWordOffset);  // high half first
            words[2 * v + 1] = GetHostU16(in + 4 * v);
        }
        return;
    }
    HostBytesToWords(in, bytes, words);
}

// One bit: the PLC sets or clears it in its word; the value is the 16-bit
// word in bytes 2 and 3 of the host's cell, any non-zero value sets it.
int WriteOneBit(DriverContext &ctx, const GateAccess &gate) {
    if (!PrepareBit(ctx, gate, WriteBit)) return ReportRefusedRequest(ctx, gate, kOpWriteBit);
    ctx.txn.data[0] = GetHostU16(HostBytes(gate) + kCellWordOffset);
    return RunTries(ctx, gate, TryAgain::kAfterTimeout, kOpWriteBit);
}

}  // namespace

// A whole-value gate is written as a block of one value; the record itself
// is changed so that a 16-bit value comes from bytes 2 and 3 of the cell.
int WriteGate(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateAccess *gate = nullptr;
    if (!AccessCallRecords(call, &ctx, &gate)) return PDX_REQUEST_ERROR;
    const TextKind text = TextKindOf(gate->fileType);
    if (text == TextKind::kStringFile) return WriteString(call);
    if (IsIntegerFileText(text)) return WriteFileString(call);
    if (gate->bit != kNoBit) return WriteOneBit(*ctx, *gate);
    gate->count = 1;
    if (gate->valueBits == 16)
        gate->data = static_cast<std::uint8_t *>(gate->data) + kCellWordOffset;
    return WriteBlock(call);
}

// Tried again after any failure: a write that did not reach the PLC
// changes nothing there.
int WriteBlock(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateAccess *gate = nullptr;
    if (!AccessCallRecords(call, &ctx, &gate)) return PDX_REQUEST_ERROR;
    WordPlan plan{};
    if (!PrepareWords(*ctx, *gate, WriteWords, WordChecks::kFieldsAndCount, &plan)) {
        return ReportRefusedRequest(*ctx, *gate, kOpWriteWord);
    }
    LoadWords(*ctx, *gate, plan);
    return RunTries(*ctx, *gate, TryAgain::kAfterAnyFailure, kOpWriteWord);
}

}  // namespace ordax
