// Filling the channel's Transaction from a gate: the file-type letter's
// code and fixed file (core/file_types.h), and the number of words.
#include <algorithm>
#include <cstddef>

#include "access/access_internal.h"
#include "address/address.h"

namespace ordax {

namespace {

// The address fields both preparations share; the code and fixed file of
// the letter's row, except a text letter's for a bit request.
void PrepareAddress(const GateAccess &gate, Transaction &txn, bool bitRequest) {
    txn.station = static_cast<std::uint8_t>(gate.station & 0xFF);
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

}  // namespace

void PrepareBitRequest(const GateAccess &gate, DriverContext &ctx) {
    Transaction &txn = ctx.txn;
    PrepareAddress(gate, txn, true);
    txn.count = 1;
    txn.bit = static_cast<std::uint8_t>(gate.bit & 0xFF);
}

void PrepareWordRequest(const GateAccess &gate, DriverContext &ctx) {
    Transaction &txn = ctx.txn;
    PrepareAddress(gate, txn, false);
    // The length of an X or Y text would read as a sub-element of the
    // integer file on an SLC and move the request further into the file.
    if (IsIntegerFileText(TextKindOf(gate.fileType))) txn.subElement = 0;
    txn.bit = kNoBit;
    txn.count = static_cast<std::uint16_t>(WordRequestWords(gate));
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

// A G record's 42 words carry at most 84 of the host's bytes whatever its
// count; a write of fewer sends zeros for the rest.
std::size_t HostBlockBytes(const GateAccess &gate, BlockSide side) {
    const std::int64_t wireBytes = 2 * WordRequestWords(gate);
    if (side == BlockSide::kToHost && IsIntegerFileText(TextKindOf(gate.fileType)) &&
        gate.count == 1) {
        return static_cast<std::size_t>(SubElementOfPacked(gate.packedAddress));
    }
    const std::int64_t values = std::int64_t{gate.count} * gate.valueBits / 8;
    return static_cast<std::size_t>(std::min(wireBytes, values));
}

}  // namespace ordax
