// The command routines of the frame itself. Each takes the host's PdxCall
// and returns a host result code (0, 1 or 2). The other subsystems declare
// theirs in their own headers (address/address.h).
#pragma once

#include "ordax.h"

namespace ordax {

int OpenChannel(PdxCall *call);     // 1: 0 or 2
int CloseChannel(PdxCall *call);    // 11: always 0
int DescribeDriver(PdxCall *call);  // 14

// The routine of a command code, or nullptr for codes without one.
using Command = int (*)(PdxCall *call);
Command CommandFor(int code);

// True for the commands that run one at a time per channel (3 to 7 and 10).
bool OneCallAtATime(int code);

}  // namespace ordax
