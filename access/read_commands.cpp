// Commands 5 and 6: bits, words, double words and blocks from a PLC into
// the host's buffer.
#include <cstddef>

#include "access/access.h"
#include "access/access_internal.h"
#include "access/host_cell.h"
#include "diag/report.h"

namespace ordax {

namespace {

std::uint8_t *HostBytes(const GateAccess &gate) {
    return static_cast<std::uint8_t *>(gate.data);
}

// Stores the words of a successful word read in the host's layout of the
// gate's letter: Y texts with the bytes of each word exchanged, X texts and
// integers as received, PLC-5 floats with their two words exchanged. Only
// the bytes the plan allows, all taken from the words received.
void StoreWords(const DriverContext &ctx, const GateAccess &gate, const WordPlan &plan) {
    const std::uint16_t *words = ctx.txn.data;
    std::uint8_t *out = HostBytes(gate);
    const std::size_t bytes = plan.hostBytes;
    if (TextKindOf(gate.fileType) == TextKind::kHighFirst) {
        for (std::size_t i = 0; i < bytes; ++i) out[i] = WordByte(words, i ^ 1);
        return;
    }
    if (plan.plc5Float) {
        for (std::size_t v = 0; v < bytes / 4; ++v) {
            PutHostU16(out + 4 * v + kCellWordOffset, words[2 * v]);  // high half
            PutHostU16(out + 4 * v, words[2 * v + 1]);
        }
        return;
    }
    WordsToHostBytes(words, out, bytes);
}

// One bit: the word that holds it is read; the host gets 0 or 1 as a
// 16-bit value in bytes 2 and 3 of its cell, and nothing on a failure.
int ReadBit(DriverContext &ctx, const GateAccess &gate) {
    if (!PrepareBit(ctx, gate, ReadSingleWord)) return ReportRefusedRequest(ctx, gate, kOpReadBit);
    const int result = RunTries(ctx, gate, TryAgain::kAfterTimeout, kOpReadBit);
    if (result != PDX_DONE) return result;
    const std::uint8_t bit = ctx.txn.bit;
    const unsigned word = ctx.txn.data[0];
    const bool set = ((word >> bit) & 1u) != 0;
    PutHostU16(HostBytes(gate) + kCellWordOffset, set ? 1 : 0);
    return PDX_DONE;
}

}  // namespace

// A whole-value gate is read as a block of one value; the record itself is
// changed so that a 16-bit value lands in bytes 2 and 3 of the host's cell.
int ReadGate(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateAccess *gate = nullptr;
    if (!AccessCallRecords(call, &ctx, &gate)) return PDX_REQUEST_ERROR;
    const TextKind text = TextKindOf(gate->fileType);
    if (text == TextKind::kStringFile) return ReadString(call);
    if (gate->bit != kNoBit) return ReadBit(*ctx, *gate);
    gate->count = 1;
    if (gate->valueBits == 16 && !IsIntegerFileText(text)) {
        gate->data = HostBytes(*gate) + kCellWordOffset;
    }
    return ReadBlock(call);
}

// The host's buffer is written only after a successful exchange.
int ReadBlock(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateAccess *gate = nullptr;
    if (!AccessCallRecords(call, &ctx, &gate)) return PDX_REQUEST_ERROR;
    WordPlan plan{};
    if (!PrepareWords(*ctx, *gate, ReadWords, WordChecks::kFieldsAndCount, &plan)) {
        return ReportRefusedRequest(*ctx, *gate, kOpReadWord);
    }
    const int result = RunTries(*ctx, *gate, TryAgain::kAfterTimeout, kOpReadWord);
    if (result != PDX_DONE) return result;
    StoreWords(*ctx, *gate, plan);
    const FileTypeRow *row = FileTypeOfLetter(gate->fileType);
    if (row != nullptr && row->holdsTexts && gate->count != 1) DeliverBlockStrings(call);
    return PDX_DONE;
}

}  // namespace ordax
