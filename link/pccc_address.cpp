// The two PCCC address encodings: PLC-5 logical binary addresses and SLC
// three-field addresses.
#include "link/link.h"

namespace ordax {

namespace {

constexpr std::uint8_t kLevelsFileElement = 0x06;
constexpr std::uint8_t kLevelsFileElementSub = 0x0E;
constexpr std::uint8_t kNoSlcType = 0x00;

// SLC file-type byte per file-type code; 0 = the SLC has no such file.
constexpr std::uint8_t kSlcFileTypeByte[] = {
    0x8B,        // 0 O output
    0x8C,        // 1 I input
    0x84,        // 2 S status
    0x85,        // 3 B bit
    0x86,        // 4 T timer
    0x87,        // 5 C counter
    0x88,        // 6 R control
    0x89,        // 7 N integer
    0x8A,        // 8 F floating point
    0x8E,        // 9
    kNoSlcType,  // 10
    0x8D,        // 11 G string file
    kNoSlcType,  // 12 P PID
    0x89,        // 13 X string in an integer file
    0x89,        // 14 Y string in an integer file, bytes swapped
};
constexpr int kFileTypeCount = static_cast<int>(sizeof kSlcFileTypeByte);

// T, C, R and P addresses carry a sub-element level in a PLC-5 address.
bool HasSubElementLevel(std::int32_t fileType) {
    return fileType == kFileT || fileType == kFileC || fileType == kFileR || fileType == kFileP;
}

}  // namespace

// Level mask, file and element as compact numbers, and for T, C, R, P the
// sub-element as one byte.
int EncodePlc5Address(ByteCursor &out, const Transaction &txn) {
    const std::size_t start = out.pos;
    const bool withSub = HasSubElementLevel(txn.fileType);
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
    if (txn.fileType < 0 || txn.fileType >= kFileTypeCount) return -1;
    const std::uint8_t typeByte = kSlcFileTypeByte[txn.fileType];
    if (typeByte == kNoSlcType) return -1;
    PutU8(out, typeByte);
    PutCompact(out, txn.element);
    PutU8(out, txn.subElement);
    return static_cast<int>(out.pos - start);
}

}  // namespace ordax
