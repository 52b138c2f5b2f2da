// Filling the channel's Transaction from a gate: the file-type letter's
// code, the fixed files of I, O and S, and the number of words.
#include <algorithm>
#include <cstddef>

#include "access/access_internal.h"
#include "address/address.h"

namespace ordax {

namespace {

constexpr int kFileFromAddress = -1;

// One file-type letter: its code, its fixed file (or the address's), and
// whether a bit request maps it.
struct LetterCode {
    char letter;
    FileTypeCode code;
    int fixedFile;
    bool bitRequests;
};

constexpr LetterCode kLetterCodes[] = {
    {'O', kFileO, 0, true},
    {'I', kFileI, 1, true},
    {'S', kFileS, 2, true},
    {'B', kFileB, kFileFromAddress, true},
    {'T', kFileT, kFileFromAddress, true},
    {'C', kFileC, kFileFromAddress, true},
    {'R', kFileR, kFileFromAddress, true},
    {'N', kFileN, kFileFromAddress, true},
    {'F', kFileF, kFileFromAddress, true},
    {'G', kFileG, kFileFromAddress, false},
    {'P', kFileP, kFileFromAddress, true},
    {'X', kFileX, kFileFromAddress, false},
    {'Y', kFileY, kFileFromAddress, false},
};

const LetterCode *LetterCodeOf(std::int32_t letter) {
    for (const LetterCode &entry : kLetterCodes) {
        if (entry.letter == letter) return &entry;
    }
    return nullptr;
}

// The address fields both preparations share; the letter's code and
// fixed file where the table maps the letter for this kind of request.
void PrepareAddress(const GateAccess &gate, Transaction &txn, bool bitRequest) {
    txn.station = static_cast<std::uint8_t>(gate.station & 0xFF);
    txn.fileNumber = static_cast<std::uint16_t>(FileOfPacked(gate.packedAddress));
    txn.element = static_cast<std::uint16_t>(ElementOfPacked(gate.packedAddress));
    txn.subElement = static_cast<std::uint8_t>(SubElementOfPacked(gate.packedAddress));
    const LetterCode *entry = LetterCodeOf(gate.fileType);
    if (entry == nullptr || (bitRequest && !entry->bitRequests)) return;
    txn.fileType = entry->code;
    if (entry->fixedFile != kFileFromAddress) {
        txn.fileNumber = static_cast<std::uint16_t>(entry->fixedFile);
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
    if (IsIntegerFileString(gate.fileType)) txn.subElement = 0;
    txn.bit = kNoBit;
    txn.count = static_cast<std::uint16_t>(WordRequestWords(gate));
}

// An X or Y text of odd length takes a whole last word: its last character
// and a 0.
std::int64_t WordRequestWords(const GateAccess &gate) {
    if (gate.fileType == kLetterG) return kStringElementWords;
    if (IsIntegerFileString(gate.fileType)) {
        return gate.count == 1 ? (SubElementOfPacked(gate.packedAddress) + 1) / 2 : gate.count;
    }
    return static_cast<std::int64_t>(gate.count) * gate.valueBits / 16;
}

// A G record's 42 words carry at most 84 of the host's bytes whatever its
// count; a write of fewer sends zeros for the rest.
std::size_t HostBlockBytes(const GateAccess &gate, BlockSide side) {
    const std::int64_t wireBytes = 2 * WordRequestWords(gate);
    if (side == BlockSide::kToHost && IsIntegerFileString(gate.fileType) && gate.count == 1) {
        return static_cast<std::size_t>(SubElementOfPacked(gate.packedAddress));
    }
    const std::int64_t values = std::int64_t{gate.count} * gate.valueBits / 8;
    return static_cast<std::size_t>(std::min(wireBytes, values));
}

}  // namespace ordax
