// The gate parser's 13-column work copy of a gate address and the reading
// of numbers from it.
#pragma once

#include <cstdint>

#include "core/context.h"
#include "core/file_types.h"

namespace ordax {

// Column numbers of the gate address layout.
enum AddressColumn : int {
    kColStation = 0,    // 0-1 station, two digits
    kColLetter = 2,     // file-type letter
    kColFile = 3,       // 3-5 file number
    kColElement = 6,    // 6-8 element
    kColFirstPair = 9,  // 9-10 bit, sub-element or string length
    kColLastPair = 11,  // 11-12 bit after a sub-element
};

// Widths of the number fields.
constexpr int kFileWidth = 3;
constexpr int kElementWidth = 3;
constexpr int kPairWidth = 2;

// First column of the bit: 11 after a sub-element, else 9.
constexpr int BitColumn(const FamilyLayout &layout) {
    return layout.subElement ? kColLastPair : kColFirstPair;
}

// Copies `text` (may be null: read as empty) into ctx->addressColumns, upper
// case (ASCII letters only), padded with blanks. At most 13 characters are
// read into the columns. True when nothing but blanks follows column 12.
bool FillAddressColumns(DriverContext *ctx, const char *text);

// Reads a number from `columns` the way formatted input (%<width>d or
// %<width>o) would: leading white space skipped and not counted, then at
// most `width` characters of sign and digits of `base`, ending at the first
// other character. Never looks past column 12. False when no digit was read.
bool ReadColumnNumber(const char *columns, int first, int width, int base, int *value);

// ReadColumnNumber for a field the pattern check has left readable: its
// value, or 0 when no digit can be read.
int ColumnNumberOr0(const char *columns, int first, int width, int base);

// Reads the station from columns 0-1 and stores it in `station`: false when
// no number can be read, when it reads 0 while the columns are not "00", or
// when it lies outside 0..99. A 0 read from columns other than "00" is
// stored before it is refused; a number outside 0..99 (a sign and a digit)
// is never stored, so the record never holds a station beyond the table.
bool ReadStationColumns(const char *columns, std::int32_t *station);

}  // namespace ordax
