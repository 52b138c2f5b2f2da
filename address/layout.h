// Which columns of a gate address hold what, by letter and family.
#pragma once

#include "core/codes.h"

namespace ordax {

// PID sub-elements 0 and 1 are 16-bit words, 2 and above 32-bit values.
constexpr int kPidLastWordSubElement = 1;

// I and O on a PLC-5: element and bit are written in octal.
inline bool IsOctalIo(char letter, int plcType) {
    return (letter == 'I' || letter == 'O') && plcType == kPlc5;
}

// T, C, R, P, and I and O on an SLC 5: columns 9-10 hold a sub-element and
// the bit, if any, stands in columns 11-12.
inline bool HasSubElement(char letter, int plcType) {
    if (letter == 'T' || letter == 'C' || letter == 'R' || letter == 'P') return true;
    return (letter == 'I' || letter == 'O') && plcType == kSlc5;
}

// First column of the bit: 11 after a sub-element, else 9.
inline int BitColumn(char letter, int plcType) {
    return HasSubElement(letter, plcType) ? 11 : 9;
}

}  // namespace ordax
