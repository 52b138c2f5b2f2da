// The address pattern tables. The columns after the letter belong to the
// form; the letter column and the forms of each family come from the
// file-type table.
#include "address/patterns.h"

#include <array>
#include <cstring>
#include <initializer_list>

#include "address/columns.h"
#include "core/codes.h"

namespace ordax {

namespace {

constexpr const char *kOctal = "01234567";
constexpr const char *kDecimal = "0123456789";
constexpr const char *kBlank = " ";
constexpr const char *kOctalOrBlank = "01234567 ";
constexpr const char *kDecimalOrBlank = "0123456789 ";
constexpr const char *kBitTensOrBlank = "01 ";

// The letters of the rows that name a form on either family, 0-terminated.
using LetterSet = std::array<char, kFileTypes.size() + 1>;

constexpr std::array<LetterSet, kPatternCount> LetterSets() {
    std::array<LetterSet, kPatternCount> sets{};
    for (std::size_t id = 0; id < sets.size(); ++id) {
        const auto form = static_cast<PatternId>(id);
        std::size_t n = 0;
        for (const FileTypeRow &row : kFileTypes) {
            if (row.plc5.form == form || row.slc5.form == form) sets[id][n++] = row.letter;
        }
    }
    return sets;
}

constexpr std::array<LetterSet, kPatternCount> kLetters = LetterSets();

// The forms a family tries, in PatternId order.
struct FormList {
    std::array<PatternId, kPatternCount> ids;
    std::size_t count;
};

constexpr FormList FormsOf(int plcType) {
    FormList list{};
    for (std::size_t id = 0; id < list.ids.size(); ++id) {
        const auto form = static_cast<PatternId>(id);
        bool named = false;
        for (const FileTypeRow &row : kFileTypes) {
            named = named || (!IsIntegerFileText(row.text) && row.Family(plcType).form == form);
        }
        if (named) list.ids[list.count++] = form;
    }
    return list;
}

constexpr FormList kPlc5Forms = FormsOf(kPlc5);
constexpr FormList kSlc5Forms = FormsOf(kSlc5);

}  // namespace

// Columns: station (2), letter, file (3), element (3), 9-10, 11-12. The
// station is read as a decimal number and the node file configures 00-99,
// so its two columns admit every decimal digit in every form.
constexpr AddressPattern kAddressPatterns[kPatternCount] = {
    {"data files",
     {kDecimal, kDecimal, kLetters[kPatternDataFiles].data(), kDecimal, kDecimal, kDecimal,
      kDecimal, kDecimal, kDecimal, kBitTensOrBlank, kDecimalOrBlank, kBlank, kBlank}},
    {"PLC-5 I/O",
     {kDecimal, kDecimal, kLetters[kPatternPlc5Io].data(), kDecimal, kDecimal, kDecimal, kOctal,
      kOctal, kOctal, kBitTensOrBlank, kOctalOrBlank, kBlank, kBlank}},
    {"SLC I/O",
     {kDecimal, kDecimal, kLetters[kPatternSlcIo].data(), kDecimal, kDecimal, kDecimal, kDecimal,
      kDecimal, kDecimal, kDecimal, kDecimal, kBitTensOrBlank, kDecimalOrBlank}},
    {"structures",
     {kDecimal, kDecimal, kLetters[kPatternStructures].data(), kDecimal, kDecimal, kDecimal,
      kDecimal, kDecimal, kDecimal, "0", "012", kBitTensOrBlank, kDecimalOrBlank}},
    {"PID",
     {kDecimal, kDecimal, kLetters[kPatternPid].data(), kDecimal, kDecimal, kDecimal, kDecimal,
      kDecimal, kDecimal, "01234", "012468", kBitTensOrBlank, kDecimalOrBlank}},
    {"string file",
     {kDecimal, kDecimal, kLetters[kPatternStringFile].data(), kDecimal, kDecimal, kDecimal,
      kDecimal, kDecimal, kDecimal, kBlank, kBlank, kBlank, kBlank}},
    {"integer-file string",
     {kDecimal, kDecimal, kLetters[kPatternIntegerString].data(), kDecimal, kDecimal, kDecimal,
      kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, kBlank, kBlank}},
};

namespace {

constexpr bool Admits(const char *set, char c) {
    for (; *set != '\0'; ++set) {
        if (*set == c) return true;
    }
    return false;
}

// What a row says of its letter's layout is what the form's columns hold:
// octal element columns for an octal layout, a bit in columns 11-12 for a
// layout with a sub-element.
constexpr bool LayoutsMatchForms() {
    for (const FileTypeRow &row : kFileTypes) {
        for (const FamilyLayout &f : {row.plc5, row.slc5}) {
            if (f.form == kNoPattern) continue;
            const AddressPattern &p = kAddressPatterns[f.form];
            if (f.octal == Admits(p.columns[kColElement], '8')) return false;
            if (f.subElement != Admits(p.columns[kColLastPair], '0')) return false;
        }
    }
    return true;
}

static_assert(LayoutsMatchForms(), "a file-type row's octal or sub-element contradicts its form");

}  // namespace

std::span<const PatternId> FamilyPatterns(int plcType) {
    if (plcType == kPlc5) return {kPlc5Forms.ids.data(), kPlc5Forms.count};
    if (plcType == kSlc5) return {kSlc5Forms.ids.data(), kSlc5Forms.count};
    return {};
}

bool PatternMatches(const AddressPattern &pattern, const char *columns) {
    for (int i = 0; i < kAddressColumns; ++i) {
        const char c = columns[i];
        if (c == '\0' || std::strchr(pattern.columns[i], c) == nullptr) return false;
    }
    return true;
}

bool FamilyMatches(int plcType, const char *columns) {
    for (PatternId id : FamilyPatterns(plcType)) {
        if (PatternMatches(kAddressPatterns[id], columns)) return true;
    }
    return false;
}

}  // namespace ordax
