// The address pattern tables.
#include "address/patterns.h"

#include <cstring>

#include "core/codes.h"

namespace ordax {

namespace {

constexpr const char *kOctal = "01234567";
constexpr const char *kDecimal = "0123456789";
constexpr const char *kBlank = " ";
constexpr const char *kOctalOrBlank = "01234567 ";
constexpr const char *kDecimalOrBlank = "0123456789 ";
constexpr const char *kBitTensOrBlank = "01 ";

constexpr PatternId kPlc5Order[] = {kPatternDataFiles, kPatternPlc5Io, kPatternStructures,
                                    kPatternPid, kPatternStringFile};
constexpr PatternId kSlc5Order[] = {kPatternDataFiles, kPatternSlcIo, kPatternStructures,
                                    kPatternStringFile};

}  // namespace

// Columns: station (2), letter, file (3), element (3), 9-10, 11-12. The
// station is read as a decimal number and the node file configures 00-99,
// so its two columns admit every decimal digit in every form.
const AddressPattern kAddressPatterns[kPatternCount] = {
    {"data files",
     {kDecimal, kDecimal, "SBNF", kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, kDecimal,
      kBitTensOrBlank, kDecimalOrBlank, kBlank, kBlank}},
    {"PLC-5 I/O",
     {kDecimal, kDecimal, "IO", kDecimal, kDecimal, kDecimal, kOctal, kOctal, kOctal,
      kBitTensOrBlank, kOctalOrBlank, kBlank, kBlank}},
    {"SLC I/O",
     {kDecimal, kDecimal, "IO", kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, kDecimal,
      kDecimal, kDecimal, kBitTensOrBlank, kDecimalOrBlank}},
    {"structures",
     {kDecimal, kDecimal, "TCR", kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, "0",
      "012", kBitTensOrBlank, kDecimalOrBlank}},
    {"PID",
     {kDecimal, kDecimal, "P", kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, "01234",
      "012468", kBitTensOrBlank, kDecimalOrBlank}},
    {"string file",
     {kDecimal, kDecimal, "G", kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, kBlank,
      kBlank, kBlank, kBlank}},
    {"integer-file string",
     {kDecimal, kDecimal, "XY", kDecimal, kDecimal, kDecimal, kDecimal, kDecimal, kDecimal,
      kDecimal, kDecimal, kBlank, kBlank}},
};

std::span<const PatternId> FamilyPatterns(int plcType) {
    if (plcType == kPlc5) return kPlc5Order;
    if (plcType == kSlc5) return kSlc5Order;
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
