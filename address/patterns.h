// The character sets allowed in each column of a gate address, one table
// per address form, and the forms each processor family admits.
#pragma once

#include <span>

#include "core/context.h"

namespace ordax {

enum PatternId : int {
    kPatternDataFiles,      // S B N F, both families
    kPatternPlc5Io,         // I O with octal element and bit, PLC-5
    kPatternSlcIo,          // I O with element, word and bit, SLC 5
    kPatternStructures,     // T C R, both families
    kPatternPid,            // P, PLC-5
    kPatternStringFile,     // G, both families
    kPatternIntegerString,  // X Y, any station
    kPatternCount,
};

// Column n of an address must hold one of the characters of columns[n].
struct AddressPattern {
    const char *name;
    const char *columns[kAddressColumns];
};

extern const AddressPattern kAddressPatterns[kPatternCount];

// The patterns of a family (1 PLC-5, 2 SLC 5) in the order they are tried;
// empty for any other value.
std::span<const PatternId> FamilyPatterns(int plcType);

// True when every one of the 13 columns holds a character of its set.
bool PatternMatches(const AddressPattern &pattern, const char *columns);

// True when some pattern of the family matches the 13 columns.
bool FamilyMatches(int plcType, const char *columns);

}  // namespace ordax
