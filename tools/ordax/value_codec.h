// The host's value buffer of a gate access, to and from the values as the
// tool shows and takes them: numbers, 0 or 1, or a string's text.
#pragma once

#include <string>
#include <vector>

#include "tools/ordax/commands.h"

namespace ordax_cli {

constexpr int kValueBytes = 4 * 1100;  // 1000 words or 500 reals, with room
constexpr int kStringCapacity = 100;

// A single 16-bit value (and the 0 or 1 of a bit) sits in bytes 2 and 3 of a
// 4-byte cell, a real fills the cell; blocks are values packed one after
// another (16-bit words, or 4-byte reals); a string is NUL-terminated text.
struct Values {
    alignas(8) unsigned char bytes[kValueBytes];
};

// Empty when every value is one of `kind`, else what is wrong.
std::string CheckValues(GateKind kind, const std::vector<std::string> &values);

// The values into the buffer; they must have passed CheckValues.
void EncodeValues(GateKind kind, const std::vector<std::string> &values, Values &buffer);

// The `count` values in the buffer, each as text: numbers, or the string's
// characters.
std::vector<std::string> DecodeValues(GateKind kind, int count, const Values &buffer);

// "shown: v1 v2", strings in double quotes.
std::string ValuesLine(const std::string &shown, GateKind kind,
                       const std::vector<std::string> &values);

}  // namespace ordax_cli
