// Operator messages of the gate-address parser.
#pragma once

namespace ordax {

enum class ParseMessage : int {
    kUnknownDeviceType,
    kInvalidCharacter,
    kStringFileInBlock,
    kStringFileNeedsStringGate,
    kNoDefinitionMemory,
};

// Sends the message's fixed text through the host's message service at its
// fixed level.
void ReportParse(ParseMessage message);

}  // namespace ordax
