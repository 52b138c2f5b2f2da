// Gate addressing: the command routines the command table calls for gate
// definitions, and what the read and write commands take from a parsed
// gate: its value widths and its packed address.
#pragma once

#include <cstdint>

#include "ordax.h"

namespace ordax {

struct DriverContext;  // core/context.h

// valueBits of a parsed gate: one word, or two (F, and P with a sub-element
// above 1).
constexpr int kNarrowValueBits = 16;
constexpr int kWideValueBits = 32;

// element | file << 12 | sub-element << 24 (the sub-element of X and Y is
// the text length).
constexpr std::int32_t PackAddress(int element, int file, int subElement) {
    const auto packed = (static_cast<std::uint32_t>(element) & 0xFFFu) |
                        ((static_cast<std::uint32_t>(file) & 0xFFFu) << 12) |
                        ((static_cast<std::uint32_t>(subElement) & 0xFFu) << 24);
    return static_cast<std::int32_t>(packed);
}
constexpr int ElementOfPacked(std::int32_t packed) {
    return packed & 0xFFF;
}
constexpr int FileOfPacked(std::int32_t packed) {
    return (packed >> 12) & 0xFFF;
}
constexpr int SubElementOfPacked(std::int32_t packed) {
    return static_cast<int>(static_cast<std::uint32_t>(packed) >> 24);
}

// The command routines below take the host's PdxCall (args = GateRecord)
// and return 0 when the address is accepted, 1 when it is rejected.

// Command 3: checks a gate address against the syntax of its station's
// family and decodes it into the host's GateRecord.
int ParseGate(PdxCall *call);

// Command 4: a block gate: the gate parser in block mode, then the block's
// bit and length checks.
int ParseBlock(PdxCall *call);

// Frees the channel's string definitions and empties its list. For the
// close and the re-open of a block that command 1 prepared: the list is the
// driver's own then, and no gate command of the channel is under way.
void ReleaseStringDefinitions(DriverContext &ctx);

}  // namespace ordax
