// Decoding the number columns of a pattern-checked gate address.
#include "address/columns.h"
#include "address/layout.h"
#include "address/parser.h"

namespace ordax {

int DecodeGateFields(const char *columns, int plcType, GateRecord *gate) {
    const char letter = columns[kColLetter];
    const int file = ColumnNumberOr0(columns, kColFile, kFileWidth, 10);
    const int element =
        ColumnNumberOr0(columns, kColElement, kElementWidth, IsOctalIo(letter, plcType) ? 8 : 10);
    const int subElement = HasSubElement(letter, plcType)
                               ? ColumnNumberOr0(columns, kColFirstPair, kPairWidth, 10)
                               : 0;
    gate->packedAddress = PackAddress(element, file, subElement);
    if (letter == 'F' || (letter == 'P' && subElement > kPidLastWordSubElement)) {
        gate->valueBits = kWideValueBits;
    }
    return subElement;
}

}  // namespace ordax
