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

// File-type codes: the values of Transaction::fileType. 9 and 10 have no letter.
enum FileTypeCode : std::int32_t {
    kFileO = 0,    // output image
    kFileI = 1,    // input image
    kFileS = 2,    // status
    kFileB = 3,    // bit
    kFileT = 4,    // timer
    kFileC = 5,    // counter
    kFileR = 6,    // control
    kFileN = 7,    // integer
    kFileF = 8,    // floating point
    kFile9 = 9,    // no letter
    kFile10 = 10,  // no letter
    kFileG = 11,   // string file
    kFileP = 12,   // PID
    kFileX = 13,   // string in an integer file, first character low byte
    kFileY = 14,   // string in an integer file, first character high byte
};

// The STS of a reply whose EXT STS byte carries the status.
constexpr std::uint8_t kStsExtended = 0xF0;

}  // namespace ordax
