// The checks of a single gate against its kind: string gates pair with G,
// digital gates need a bit, word and real gates must not have one.
#include "address/columns.h"
#include "address/layout.h"
#include "address/parser.h"
#include "core/text.h"

namespace ordax {

namespace {

constexpr int kHighestBit = 15;

bool IsStructure(char letter) {
    return letter == 'T' || letter == 'C' || letter == 'R';
}

// The bit, read only when its first column is a digit; kNoBit otherwise.
int ReadBit(const char *columns, int plcType) {
    const char letter = columns[kColLetter];
    const int first = BitColumn(letter, plcType);
    if (!IsDigit(columns[first])) return kNoBit;
    int bit = kNoBit;
    ReadColumnNumber(columns, first, kPairWidth, IsOctalIo(letter, plcType) ? 8 : 10, &bit);
    return bit;
}

// A digital gate: a bit 0..15 of a word; structures only in sub-element 0,
// PID only in its word sub-elements, never a floating-point file.
int CheckDigital(char letter, int subElement, int bit) {
    if (bit == kNoBit) return kGateRejected;
    if (IsStructure(letter) && subElement != 0) return kGateRejected;
    if (letter == 'P' && subElement > kPidLastWordSubElement) return kGateRejected;
    if (bit > kHighestBit || letter == 'F') return kGateRejected;
    return kGateAccepted;
}

// A word, real or string gate: no bit; 32-bit values only on real gates,
// and real gates not on PID words.
int CheckValue(char letter, int subElement, int bit, GateRecord *gate) {
    if (bit != kNoBit) return kGateRejected;
    const bool real = gate->gateType == PDX_GATE_REAL;
    if (letter == 'F') {
        gate->valueBits = kWideValueBits;
        return real ? kGateAccepted : kGateRejected;
    }
    if (letter != 'P') return kGateAccepted;
    const bool wide = subElement > kPidLastWordSubElement;
    gate->valueBits = wide ? kWideValueBits : kNarrowValueBits;
    return wide == real ? kGateAccepted : kGateRejected;
}

}  // namespace

int CheckGateKind(const char *columns, int plcType, int subElement, GateRecord *gate) {
    const char letter = columns[kColLetter];
    const bool stringGate = gate->gateType == PDX_GATE_STRING;
    if ((letter == 'G') != stringGate) return kGateRejected;
    gate->bit = ReadBit(columns, plcType);
    if (gate->gateType == PDX_GATE_DIGITAL) return CheckDigital(letter, subElement, gate->bit);
    return CheckValue(letter, subElement, gate->bit, gate);
}

}  // namespace ordax
