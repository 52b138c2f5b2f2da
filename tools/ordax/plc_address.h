// The processors' own data-table addresses (N7:12, B3:1/7, B3/23, F8:0,
// T4:2.ACC, ST9:0, I:1/3, S:1, N7:0,10) and the driver's gate addresses,
// each turned into the other, and the gate kind an address implies.
#pragma once

#include <string>

#include "tools/ordax/commands.h"

namespace ordax_cli {

// A processor address turned into a gate address for one station.
struct GateAddress {
    std::string text;  // 13-column gate address, trailing blanks dropped
    GateKind kind;     // what the address implies: F real, ST string, a bit digital, else word
    int count;         // values from ",N" (1 without)
};

// True for a text written as a processor address (it has a ':' or a '/'
// after the file letter and number); gate addresses never do.
bool LooksLikeProcessorAddress(const std::string &text);

// Converts `text` for station `station` (0..99) of the family. Empty error
// on success, else what part of the text is wrong.
std::string ToGateAddress(const std::string &text, int station, bool slc5, GateAddress *out);

// The processor form of a gate address ("N7:12", "T4:1/DN"), or "" when it
// has none (X and Y strings, a text that is not a gate address).
std::string ToProcessorAddress(const std::string &gate, bool slc5);

// The kind a gate address implies for the family: G, X, Y string; F and
// PID words 02 up real; a bit digital; else word.
GateKind KindOfGateAddress(const std::string &gate, bool slc5);

}  // namespace ordax_cli
