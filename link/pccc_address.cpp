// The two PCCC address encodings: PLC-5 logical binary addresses and SLC
// three-field addresses. The file-type code's row (core/file_types.h) says
// whether a PLC-5 address carries a sub-element level and gives the SLC
// file-type byte.
#include "link/link.h"

namespace ordax {

namespace {

constexpr std::uint8_t kLevelsFileElement = 0x06;
constexpr std::uint8_t kLevelsFileElementSub = 0x0E;

}  // namespace

// Level mask, file and element as compact numbers, and where the PLC-5
// layout has a sub-element (T, C, R, P) the sub-element as one byte.
int EncodePlc5Address(ByteCursor &out, const Transaction &txn) {
    const std::size_t start = out.pos;
    const FileTypeRow *row = FileTypeOfCode(txn.fileType);
    const bool withSub = row != nullptr && row->plc5.subElement;
    PutU8(out, withSub ? kLevelsFileElementSub : kLevelsFileElement);
    PutCompact(out, txn.fileNumber);
    PutCompact(out, txn.element);
    if (withSub) PutU8(out, txn.subElement);
    return static_cast<int>(out.pos - start);
}

// File (compact), SLC file-type byte, element (compact), sub-element (one
// byte, always). -1 when the file type has no SLC byte.
int EncodeSlcAddress(ByteCursor &out, const Transaction &txn) {
    const std::size_t start = out.pos;
    PutCompact(out, txn.fileNumber);
    const FileTypeRow *row = FileTypeOfCode(txn.fileType);
    if (row == nullptr || row->slcTypeByte == kNoSlcType) return -1;
    PutU8(out, row->slcTypeByte);
    PutCompact(out, txn.element);
    PutU8(out, txn.subElement);
    return static_cast<int>(out.pos - start);
}

}  // namespace ordax
