// Decoding the number columns of a pattern-checked gate address.
#include "address/columns.h"
#include "address/parser.h"

namespace ordax {

int DecodeGateFields(const char *columns, const FileTypeRow &row, int plcType, GateRecord *gate) {
    const FamilyLayout &layout = row.Family(plcType);
    const int file = ColumnNumberOr0(columns, kColFile, kFileWidth, 10);
    const int element = ColumnNumberOr0(columns, kColElement, kElementWidth, layout.octal ? 8 : 10);
    const int subElement =
        layout.subElement ? ColumnNumberOr0(columns, kColFirstPair, kPairWidth, 10) : 0;
    gate->packedAddress = PackAddress(element, file, subElement);
    if (row.WideAt(subElement)) gate->valueBits = kWideValueBits;
    return subElement;
}

}  // namespace ordax
