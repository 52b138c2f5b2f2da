// The characters allowed in each column of a gate address, one pattern per
// address form (PatternId, core/file_types.h), and the forms each processor
// family admits.
#pragma once

#include <span>

#include "core/context.h"
#include "core/file_types.h"

namespace ordax {

// Column n of an address must hold one of the characters of columns[n].
struct AddressPattern {
    const char *name;
    const char *columns[kAddressColumns];
};

// By PatternId. The letter column of each admits the letters of the file
// types whose row names the form.
extern const AddressPattern kAddressPatterns[kPatternCount];

// The forms the file-type rows name for a family (1 PLC-5, 2 SLC 5) in
// PatternId order, X and Y's excepted (they are read whatever the family);
// empty for any other value.
std::span<const PatternId> FamilyPatterns(int plcType);

// True when every one of the 13 columns holds a character of its set.
bool PatternMatches(const AddressPattern &pattern, const char *columns);

// True when some pattern of the family matches the 13 columns.
bool FamilyMatches(int plcType, const char *columns);

}  // namespace ordax
