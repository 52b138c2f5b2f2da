// Gate addressing: the command routines the command table calls for gate
// definitions. Each takes the host's PdxCall (args = GateRecord) and returns
// 0 when the address is accepted, 1 when it is rejected.
#pragma once

#include "ordax.h"

namespace ordax {

// Command 3: checks a gate address against the syntax of its station's
// family and decodes it into the host's GateRecord.
int ParseGate(PdxCall *call);

// Command 4: a block gate: the gate parser in block mode, then the block's
// bit and length checks.
int ParseBlock(PdxCall *call);

}  // namespace ordax
