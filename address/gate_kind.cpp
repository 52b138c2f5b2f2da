// The checks of a single gate against its kind: string gates pair with a
// string file, digital gates need a bit, word and real gates must not have
// one.
#include "address/columns.h"
#include "address/parser.h"
#include "core/text.h"

namespace ordax {

namespace {

constexpr int kHighestBit = 15;

// The bit, read only when its first column is a digit; kNoBit otherwise.
int ReadBit(const char *columns, const FamilyLayout &layout) {
    const int first = BitColumn(layout);
    if (!IsDigit(columns[first])) return kNoBit;
    int bit = kNoBit;
    ReadColumnNumber(columns, first, kPairWidth, layout.octal ? 8 : 10, &bit);
    return bit;
}

// A digital gate: a bit 0..15 of a word; in sub-element 0 where the row
// says so, never in 32-bit values.
int CheckDigital(const FileTypeRow &row, int subElement, int bit) {
    if (bit == kNoBit) return kGateRejected;
    if (row.bitsInSubElement0 && subElement != 0) return kGateRejected;
    if (bit > kHighestBit || row.WideAt(subElement)) return kGateRejected;
    return kGateAccepted;
}

// A word, real or string gate: no bit; where the row has 32-bit values,
// a real gate exactly on them.
int CheckValue(const FileTypeRow &row, int subElement, int bit, GateRecord *gate) {
    if (bit != kNoBit) return kGateRejected;
    if (!row.HasWideValues()) return kGateAccepted;
    const bool wide = row.WideAt(subElement);
    gate->valueBits = wide ? kWideValueBits : kNarrowValueBits;
    return wide == (gate->gateType == PDX_GATE_REAL) ? kGateAccepted : kGateRejected;
}

}  // namespace

int CheckGateKind(const char *columns, const FileTypeRow &row, int plcType, int subElement,
                  GateRecord *gate) {
    const bool stringGate = gate->gateType == PDX_GATE_STRING;
    if ((row.text == TextKind::kStringFile) != stringGate) return kGateRejected;
    gate->bit = ReadBit(columns, row.Family(plcType));
    if (gate->gateType == PDX_GATE_DIGITAL) return CheckDigital(row, subElement, gate->bit);
    return CheckValue(row, subElement, gate->bit, gate);
}

}  // namespace ordax
