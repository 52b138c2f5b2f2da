// A gate turned into the channel's Transaction, or refused: the call's
// records, the checks of the gate's fields and count, the address fields
// from the file-type letter's row (core/file_types.h), the number of words
// and how the values travel between the host's buffer and the words.
#include <algorithm>
#include <cstddef>

#include "access/access_internal.h"
#include "access/access_messages.h"
#include "address/address.h"
#include "core/relaxed.h"

namespace ordax {

namespace {

constexpr int kHighestBit = 15;  // bits of one word

// True when the value width is 16 or 32 and, for a bit request, the bit is
// 0 to 15: what the gate parser makes. Otherwise logs the bit-or-width
// message (level 8).
bool GateFieldsValid(const GateAccess &gate, bool bitRequest) {
    const bool width = gate.valueBits == kNarrowValueBits || gate.valueBits == kWideValueBits;
    const bool bit = !bitRequest || (gate.bit >= 0 && gate.bit <= kHighestBit);
    if (!width || !bit)
        Emit(accessmsg::kInvalidBitOrWidth, gate.bit, gate.valueBits, AddressOf(gate));
    return width && bit;
}

// True when the gate's count is not negative and its word request fits the
// Transaction's data area, which bounds the words on the wire (a read's
// reply and a write's request then fit the frame as well). Otherwise logs
// the count message (level 8).
bool WordRequestFits(const GateAccess &gate) {
    constexpr std::int64_t kMaxWords = kDataWords;
    const std::int64_t words = WordRequestWords(gate);
    const bool fits = gate.count >= 0 && words >= 0 && words <= kMaxWords;
    if (!fits) Emit(accessmsg::kCountTooLarge, gate.count, AddressOf(gate));
    return fits;
}

// The address fields both requests share; the code and fixed file of the
// letter's row, except a text letter's for a bit request.
void PrepareAddress(const GateAccess &gate, Transaction &txn, bool bitRequest) {
    txn.fileNumber = static_cast<std::uint16_t>(FileOfPacked(gate.packedAddress));
    txn.element = static_cast<std::uint16_t>(ElementOfPacked(gate.packedAddress));
    txn.subElement = static_cast<std::uint8_t>(SubElementOfPacked(gate.packedAddress));
    const FileTypeRow *row = FileTypeOfLetter(gate.fileType);
    if (row == nullptr || (bitRequest && row->text != TextKind::kNumbers)) return;
    txn.fileType = row->code;
    if (row->fixedFile != kFileFromAddress) {
        txn.fileNumber = static_cast<std::uint16_t>(row->fixedFile);
    }
}

// The files with 32-bit values (F, P) of a PLC-5 station carry each value
// as two words, high word first.
bool Plc5FloatWords(const DriverContext &ctx, const GateAccess &gate) {
    // A station number past the table is no PLC-5; the engine refuses it.
    if (ctx.txn.station >= kStationCount) return false;
    const std::int32_t plcType = LoadRelaxed(ctx.stations[ctx.txn.station].plcType);
    const FileTypeRow *row = FileTypeOfLetter(gate.fileType);
    return plcType == kPlc5 && row != nullptr && row->HasWideValues() && gate.valueBits == 32;
}

// A G record's 42 words carry at most 84 of the host's bytes whatever its
// count; a write of fewer sends zeros for the rest. A read of an X or Y
// text with count 1 hands the host its length in characters.
std::size_t HostBlockBytes(const GateAccess &gate, bool toHost) {
    const std::int64_t wireBytes = 2 * WordRequestWords(gate);
    if (toHost && IsIntegerFileText(TextKindOf(gate.fileType)) && gate.count == 1) {
        return static_cast<std::size_t>(SubElementOfPacked(gate.packedAddress));
    }
    const std::int64_t values = std::int64_t{gate.count} * gate.valueBits / 8;
    return static_cast<std::size_t>(std::min(wireBytes, values));
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

// An X or Y text of odd length takes a whole last word: its last character
// and a 0.
std::int64_t WordRequestWords(const GateAccess &gate) {
    const TextKind text = TextKindOf(gate.fileType);
    if (text == TextKind::kStringFile) return kStringElementWords;
    if (IsIntegerFileText(text)) {
        return gate.count == 1 ? (SubElementOfPacked(gate.packedAddress) + 1) / 2 : gate.count;
    }
    return static_cast<std::int64_t>(gate.count) * gate.valueBits / 16;
}

// The request kind and station are set before the checks: a refusal is
// reported for them.
bool PrepareWords(DriverContext &ctx, const GateAccess &gate, std::int32_t function,
                  WordChecks checks, WordPlan *plan) {
    Transaction &txn = ctx.txn;
    txn.function = function;
    txn.station = static_cast<std::uint8_t>(gate.station & 0xFF);
    if (!GateFieldsValid(gate, false)) return false;
    if (checks == WordChecks::kFieldsAndCount && !WordRequestFits(gate)) return false;
    PrepareAddress(gate, txn, false);
    // The length of an X or Y text would read as a sub-element of the
    // integer file on an SLC and move the request further into the file.
    if (IsIntegerFileText(TextKindOf(gate.fileType))) txn.subElement = 0;
    txn.bit = kNoBit;
    txn.count = static_cast<std::uint16_t>(WordRequestWords(gate));
    if (plan != nullptr) {
        plan->hostBytes = HostBlockBytes(gate, function == ReadWords);
        plan->plc5Float = Plc5FloatWords(ctx, gate);
    }
    return true;
}

bool PrepareBit(DriverContext &ctx, const GateAccess &gate, std::int32_t function) {
    if (!GateFieldsValid(gate, true)) return false;
    Transaction &txn = ctx.txn;
    txn.function = function;
    txn.station = static_cast<std::uint8_t>(gate.station & 0xFF);
    PrepareAddress(gate, txn, true);
    txn.count = 1;
    txn.bit = static_cast<std::uint8_t>(gate.bit & 0xFF);
    return true;
}

}  // namespace ordax
