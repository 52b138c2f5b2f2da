// The data-file types: one row per file-type letter, holding everything the
// gate parser, the block checks, the request preparation and the PCCC
// address encoders know of it. Adding a data-file type is adding its row
// here (and its cases to the tests' tables); no subsystem keeps a list of
// letters of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

#include "core/codes.h"

namespace ordax {

// The address forms: the characters each of the 13 columns of a gate address
// admits (the column sets are address/patterns.cpp's). A row names the form
// of its letter on each family; the letter column of a form admits the
// letters of the rows that name it, and a family tries the forms its rows
// name.
enum PatternId : int {
    kNoPattern = -1,        // the family has no such file
    kPatternDataFiles,      // element, bit in columns 9-10 (S B N F)
    kPatternPlc5Io,         // octal element and bit (PLC-5 I O)
    kPatternSlcIo,          // element, word and bit (SLC 5 I O)
    kPatternStructures,     // element, sub-element 00-02 and bit (T C R)
    kPatternPid,            // element, sub-element 00-48 and bit (P)
    kPatternStringFile,     // element and nothing after it (G)
    kPatternIntegerString,  // element and text length, any station (X Y)
    kPatternCount,
};

// Whether the values of a file type are numbers or text, and which text.
enum class TextKind : std::uint8_t {
    kNumbers,
    kStringFile,  // a string file element: a length word and 82 characters (G)
    kLowFirst,    // text in an integer file, a pair's first character in the low byte (X)
    kHighFirst,   // the same, first character in the high byte (Y)
};

// A file type on one processor family.
struct FamilyLayout {
    PatternId form;           // its address form; kNoPattern: the family has no such file
    bool octal;               // element and bit written in octal
    bool subElement;          // columns 9-10 hold a sub-element, the bit stands in 11-12;
                              // a PLC-5 logical address carries it as a third level
    std::int32_t blockLimit;  // the largest block length; 0: no blocks
};

constexpr char kNoLetter = '\0';               // a code no gate address names
constexpr std::int32_t kFileFromAddress = -1;  // requests take the address's file number
constexpr std::uint8_t kNoSlcType = 0x00;      // the SLC has no such file
constexpr int kNarrowOnly = 0xFF;              // no sub-element holds 32-bit values

// One file type. The table is in code order: the row of code n is row n.
struct FileTypeRow {
    char letter;               // column 2 of a gate address; kNoLetter for a bare code
    std::int32_t code;         // Transaction::fileType
    std::int32_t fixedFile;    // the file number of every request, or kFileFromAddress
    std::uint8_t slcTypeByte;  // the file-type byte of the SLC's typed commands
    TextKind text;             // a string gate takes exactly kStringFile; a bit request
                               // leaves a text kind's code unset
    int wideFrom;              // first sub-element of 32-bit values (real gates only,
                               // never a bit), or kNarrowOnly
    bool bitsInSubElement0;    // a bit only in sub-element 0
    bool holdsTexts;           // X and Y texts live in these files: a block read of one
                               // hands the texts it covers to their string gates
    FamilyLayout plc5;
    FamilyLayout slc5;

    // The layout on `plcType`: the SLC 5's for kSlc5, else the PLC-5's.
    constexpr const FamilyLayout &Family(int plcType) const {
        return plcType == kSlc5 ? slc5 : plc5;
    }
    constexpr bool HasWideValues() const { return wideFrom != kNarrowOnly; }
    constexpr bool WideAt(int subElementNumber) const {
        return HasWideValues() && subElementNumber >= wideFrom;
    }
};

// X and Y: a text in an integer file. The parser reads these for any
// station 00-99, configured or not, before the family's forms are tried.
constexpr bool IsIntegerFileText(TextKind kind) {
    return kind == TextKind::kLowFirst || kind == TextKind::kHighFirst;
}

namespace filetypes {

using enum TextKind;
constexpr int kNarrow = kNarrowOnly;
constexpr std::int32_t kAddressFile = kFileFromAddress;
constexpr FamilyLayout kAbsent{kNoPattern, false, false, 0};
constexpr FamilyLayout Decimal(PatternId form, std::int32_t blockLimit) {
    return {form, false, false, blockLimit};
}
constexpr FamilyLayout Octal(PatternId form, std::int32_t blockLimit) {
    return {form, true, false, blockLimit};
}
constexpr FamilyLayout WithSub(PatternId form, std::int32_t blockLimit) {
    return {form, false, true, blockLimit};
}

// Letter, code, fixed file, SLC byte, text kind, 32 bits from sub-element,
// bits in sub-element 0 only, holds X/Y texts; PLC-5 and SLC 5: form
// (decimal, octal or with a sub-element) and block limit.
// clang-format off
constexpr FileTypeRow kRows[] = {
    {'O',        0, 0,            0x8B,       kNumbers,    kNarrow, false, false,
     Octal(kPatternPlc5Io, 1000),         WithSub(kPatternSlcIo, 1)},
    {'I',        1, 1,            0x8C,       kNumbers,    kNarrow, false, false,
     Octal(kPatternPlc5Io, 1000),         WithSub(kPatternSlcIo, 1)},
    {'S',        2, 2,            0x84,       kNumbers,    kNarrow, false, false,
     Decimal(kPatternDataFiles, 1000),    Decimal(kPatternDataFiles, 256)},
    {'B',        3, kAddressFile, 0x85,       kNumbers,    kNarrow, false, false,
     Decimal(kPatternDataFiles, 1000),    Decimal(kPatternDataFiles, 256)},
    {'T',        4, kAddressFile, 0x86,       kNumbers,    kNarrow, true,  false,
     WithSub(kPatternStructures, 0),      WithSub(kPatternStructures, 0)},
    {'C',        5, kAddressFile, 0x87,       kNumbers,    kNarrow, true,  false,
     WithSub(kPatternStructures, 0),      WithSub(kPatternStructures, 0)},
    {'R',        6, kAddressFile, 0x88,       kNumbers,    kNarrow, true,  false,
     WithSub(kPatternStructures, 0),      WithSub(kPatternStructures, 0)},
    {'N',        7, kAddressFile, 0x89,       kNumbers,    kNarrow, false, true,
     Decimal(kPatternDataFiles, 1000),    Decimal(kPatternDataFiles, 256)},
    {'F',        8, kAddressFile, 0x8A,       kNumbers,    0,       false, false,
     Decimal(kPatternDataFiles, 500),     Decimal(kPatternDataFiles, 256)},
    {kNoLetter,  9, kAddressFile, 0x8E,       kNumbers,    kNarrow, false, false,
     kAbsent,                             kAbsent},
    {kNoLetter, 10, kAddressFile, kNoSlcType, kNumbers,    kNarrow, false, false,
     kAbsent,                             kAbsent},
    {'G',       11, kAddressFile, 0x8D,       kStringFile, kNarrow, false, false,
     Decimal(kPatternStringFile, 0),      Decimal(kPatternStringFile, 0)},
    {'P',       12, kAddressFile, kNoSlcType, kNumbers,    2,       false, false,
     WithSub(kPatternPid, 0),             kAbsent},
    {'X',       13, kAddressFile, 0x89,       kLowFirst,   kNarrow, false, false,
     Decimal(kPatternIntegerString, 0),   Decimal(kPatternIntegerString, 0)},
    {'Y',       14, kAddressFile, 0x89,       kHighFirst,  kNarrow, false, false,
     Decimal(kPatternIntegerString, 0),   Decimal(kPatternIntegerString, 0)},
};
// clang-format on

}  // namespace filetypes

inline constexpr std::span<const FileTypeRow> kFileTypes{filetypes::kRows};

// The row of a letter as the parser stores it (upper case), or null.
constexpr const FileTypeRow *FileTypeOfLetter(std::int32_t letter) {
    if (letter == kNoLetter) return nullptr;
    for (const FileTypeRow &row : kFileTypes) {
        if (row.letter == letter) return &row;
    }
    return nullptr;
}

// The row of a file-type code, or null.
constexpr const FileTypeRow *FileTypeOfCode(std::int32_t code) {
    if (code < 0 || code >= std::ssize(kFileTypes)) return nullptr;
    return &kFileTypes[static_cast<std::size_t>(code)];
}

// The text kind of a letter; kNumbers for a letter without a row.
constexpr TextKind TextKindOf(std::int32_t letter) {
    const FileTypeRow *row = FileTypeOfLetter(letter);
    return row != nullptr ? row->text : TextKind::kNumbers;
}

// The layout of a letter on `plcType`; kAbsent for a letter without a row.
constexpr FamilyLayout LayoutOf(std::int32_t letter, int plcType) {
    const FileTypeRow *row = FileTypeOfLetter(letter);
    return row != nullptr ? row->Family(plcType) : filetypes::kAbsent;
}

namespace filetypes {

constexpr std::int32_t CodeOf(char letter) {
    const FileTypeRow *row = FileTypeOfLetter(letter);
    return row != nullptr ? row->code : -1;
}

}  // namespace filetypes

// File-type codes: the values of Transaction::fileType, by the letter of
// their row. Code that names no particular type needs no name here.
enum FileTypeCode : std::int32_t {
    kFileO = filetypes::CodeOf('O'),  // output image
    kFileI = filetypes::CodeOf('I'),  // input image
    kFileS = filetypes::CodeOf('S'),  // status
    kFileB = filetypes::CodeOf('B'),  // bit
    kFileT = filetypes::CodeOf('T'),  // timer
    kFileC = filetypes::CodeOf('C'),  // counter
    kFileR = filetypes::CodeOf('R'),  // control
    kFileN = filetypes::CodeOf('N'),  // integer
    kFileF = filetypes::CodeOf('F'),  // floating point
    kFile9 = 9,                       // no letter
    kFile10 = 10,                     // no letter
    kFileG = filetypes::CodeOf('G'),  // string file
    kFileP = filetypes::CodeOf('P'),  // PID
    kFileX = filetypes::CodeOf('X'),  // string in an integer file, first character low byte
    kFileY = filetypes::CodeOf('Y'),  // string in an integer file, first character high byte
};

// ---- Compile-time checks of the rows ------------------------------------------

namespace filetypes {

constexpr bool InCodeOrder() {
    for (std::size_t n = 0; n < std::size(kRows); ++n) {
        if (kRows[n].code != static_cast<std::int32_t>(n)) return false;
    }
    return true;
}

constexpr bool LettersUniqueAndUpperCase() {
    for (std::size_t n = 0; n < std::size(kRows); ++n) {
        const char letter = kRows[n].letter;
        if (letter == kNoLetter) continue;
        if (letter < 'A' || letter > 'Z') return false;
        for (std::size_t m = n + 1; m < std::size(kRows); ++m) {
            if (kRows[m].letter == letter) return false;
        }
    }
    return true;
}

constexpr bool FamilySane(const FileTypeRow &row, const FamilyLayout &f, bool slc) {
    if (f.form < kNoPattern || f.form >= kPatternCount || f.blockLimit < 0) return false;
    // A family without the file has no layout; texts never come in blocks.
    if (f.form == kNoPattern) return !f.octal && !f.subElement && f.blockLimit == 0;
    if (row.text != TextKind::kNumbers && f.blockLimit != 0) return false;
    // An X or Y text is read in its own form and nothing else is.
    if (IsIntegerFileText(row.text) != (f.form == kPatternIntegerString)) return false;
    // A letter the SLC addresses has an SLC file-type byte.
    if (slc && row.slcTypeByte == kNoSlcType) return false;
    return row.letter != kNoLetter;
}

constexpr bool RowsSane() {
    for (const FileTypeRow &row : kRows) {
        if (!FamilySane(row, row.plc5, false) || !FamilySane(row, row.slc5, true)) return false;
        if (row.fixedFile < kFileFromAddress || row.fixedFile > 999) return false;
        // 32-bit values are numbers; texts are 16-bit words.
        if (row.text != TextKind::kNumbers && row.HasWideValues()) return false;
        if (row.HasWideValues() && (row.wideFrom < 0 || row.wideFrom > 99)) return false;
    }
    return true;
}

// X and Y texts live in the files that hold them: the same SLC file type.
constexpr bool TextsHaveTheirFile() {
    for (const FileTypeRow &text : kRows) {
        if (!IsIntegerFileText(text.text)) continue;
        bool held = false;
        for (const FileTypeRow &file : kRows) {
            held = held || (file.holdsTexts && file.slcTypeByte == text.slcTypeByte);
        }
        if (!held) return false;
    }
    for (const FileTypeRow &file : kRows) {
        if (file.holdsTexts && (file.text != TextKind::kNumbers || file.HasWideValues())) {
            return false;
        }
    }
    return true;
}

static_assert(InCodeOrder(), "row n of the file-type table must have code n");
static_assert(kRows[kFile9].letter == kNoLetter && kRows[kFile10].letter == kNoLetter,
              "kFile9 and kFile10 name the codes without a letter");
static_assert(LettersUniqueAndUpperCase(), "file-type letters must be unique, A to Z");
static_assert(RowsSane(), "a file-type row contradicts itself");
static_assert(TextsHaveTheirFile(),
              "X and Y texts need a 16-bit file of their SLC type to live in");

}  // namespace filetypes

}  // namespace ordax
