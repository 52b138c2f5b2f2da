// Small integer codes shared by the subsystems of the driver.
#pragma once

#include <cstdint>

namespace ordax {

// Processor family of a station address.
enum PlcType : std::int32_t {
    kPlcNone = 0,  // station not configured
    kPlc5 = 1,     // PLC-5 family
    kSlc5 = 2,     // SLC 5 family
};

// Request kinds: the values of Transaction::function.
enum RequestKind : std::int32_t {
    ReadSingleWord = 1,  // read `count` words, keep the first one
    WriteBit = 2,        // set or clear bit `bit` of one word
    ReadWords = 3,       // read `count` words
    WriteWords = 4,      // write `count` words
};

// The file-type codes are the rows of core/file_types.h.

// The STS of a reply whose EXT STS byte carries the status.
constexpr std::uint8_t kStsExtended = 0xF0;

}  // namespace ordax
