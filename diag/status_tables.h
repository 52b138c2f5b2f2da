// The diagnostic vocabulary of status reporting: first-line forms, the
// explanation prefixes and the meaning/advice tables of the STS and EXT STS
// codes. The texts are part of the operator interface and never change.
#pragma once

#include <cstdint>

namespace ordax::diag {

// What an STS byte reports.
enum class StsClass {
    kSuccess,   // 0x00
    kLocal,     // 0x01..0x08
    kRemote,    // 0x10..0xE0, low nibble 0
    kExtended,  // 0xF0: EXT STS carries the code
    kPacket,    // everything else
};

// Classifies an STS byte.
StsClass ClassifySts(std::uint8_t sts);

// The two explanation lines of a status code.
struct Explanation {
    const char *meaning;  // printed between double quotes
    const char *advice;   // printed between parentheses
};

// Prefix of the explanation lines: local codes use kLocalPrefix, remote,
// extended and packet codes kPeerPrefix.
extern const char kLocalPrefix[];  // "Ordax :\t"
extern const char kPeerPrefix[];   // "Ordax : \t"

// Explanations by code. Each accepts any byte: a value outside its own table
// yields the packet explanation ("not defined"), except ExtendedExplanation,
// whose codes past the table read "not used".
const Explanation &LocalExplanation(std::uint8_t sts);
const Explanation &RemoteExplanation(std::uint8_t sts);
const Explanation &ExtendedExplanation(std::uint8_t extSts);
const Explanation &PacketExplanation();

// The kinds of failure report, one per first-line form.
enum class ReportKind {
    kParseError,    // link results 3, 4, 5
    kTimeout,       // 8
    kNotOpen,       // 9
    kNotConnected,  // 12
    kUnknownLink,   // every other non-zero link result
    kLocalSts,
    kRemoteSts,
    kExtendedSts,
    kPacketSts,
};

// How a report opens, and what it returns.
struct ReportForm {
    const char *longForm;   // with a gate; printf format
    const char *shortForm;  // without a gate; printf format
    bool namesGate;         // long form: operation, then the gate's address text
    bool printsCode;        // both forms end with one unsigned 0x%02X value
    int level;              // message level of the first line
    int result;             // host result of the report
    const char *prefix;     // explanation prefix; null = no explanation lines
};

// The form of a report kind.
const ReportForm &FormOf(ReportKind kind);

}  // namespace ordax::diag
