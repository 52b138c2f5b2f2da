// The routines of the command table. Each takes the host's PdxCall and
// returns a host result code (0, 1 or 2).
#pragma once

#include "ordax.h"

namespace ordax {

int OpenChannel(PdxCall *call);      // 1
int Nop(PdxCall *call);              // 2
int ParseGate(PdxCall *call);        // 3
int ParseBlock(PdxCall *call);       // 4
int ReadGate(PdxCall *call);         // 5
int ReadBlock(PdxCall *call);        // 6
int WriteGate(PdxCall *call);        // 7
int WriteBlock(PdxCall *call);       // 10
int CloseChannel(PdxCall *call);     // 11
int Unsupported(PdxCall *call);      // 12, 13
int DescribeDriver(PdxCall *call);   // 14
int SetReplyTimeout(PdxCall *call);  // 15

// The routine of a command code, or nullptr for codes without one.
using Command = int (*)(PdxCall *call);
Command CommandFor(int code);

}  // namespace ordax
