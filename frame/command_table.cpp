// The fifteen-slot command table and the exported entry point.
#include "frame/commands.h"

namespace ordax {

namespace {

// Slot n holds the routine of command code n; slot 0 is never used.
constexpr Command kCommandTable[16] = {
    nullptr,          // 0
    OpenChannel,      // 1
    Nop,              // 2
    ParseGate,        // 3
    ParseBlock,       // 4
    ReadGate,         // 5
    ReadBlock,        // 6
    WriteGate,        // 7
    nullptr,          // 8: no routine
    nullptr,          // 9: no routine
    WriteBlock,       // 10
    CloseChannel,     // 11
    Unsupported,      // 12
    Unsupported,      // 13
    DescribeDriver,   // 14
    SetReplyTimeout,  // 15
};

}  // namespace

Command CommandFor(int code) {
    if (code < 1 || code > 15) return nullptr;
    return kCommandTable[code];
}

int Nop(PdxCall *) { return PDX_DONE; }

}  // namespace ordax

// Codes without a routine (0, 8, 9 and anything outside 1..15) answer 2.
extern "C" int PdxMain(PdxCall *call) {
    if (call == nullptr) return PDX_LINK_ERROR;
    ordax::Command command = ordax::CommandFor(call->command);
    if (command == nullptr) return PDX_LINK_ERROR;
    return command(call);
}
