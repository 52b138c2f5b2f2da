// Decoding the number columns of a pattern-checked gate address.
#include "address/columns.h"
#include "address/layout.h"
#include "address/parser.h"

namespace ordax {

namespace {

// A number the pattern check has left readable; 0 if it is not.
int NumberAt(const char *columns, int first, int width, int base) {
    int value = 0;
    return ReadColumnNumber(columns, first, width, base, &value) ? value : 0;
}

}  // namespace

int DecodeGateFields(const char *columns, int plcType, GateRecord *gate) {
    const char letter = columns[kColLetter];
    const int file = NumberAt(columns, kColFile, kFileWidth, 10);
    const int element = NumberAt(columns, kColElement, kElementWidth,
                                 IsOctalIo(letter, plcType) ? 8 : 10);
    const int subElement =
        HasSubElement(letter, plcType) ? NumberAt(columns, kColFirstPair, kPairWidth, 10) : 0;
    gate->packedAddress = PackAddress(element, file, subElement);
    if (letter == 'F' || (letter == 'P' && subElement > kPidLastWordSubElement)) {
        gate->valueBits = kWideValueBits;
    }
    return subElement;
}

}  // namespace ordax
