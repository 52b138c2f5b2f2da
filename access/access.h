// Data access: the command routines the command table calls to read and
// write gates. Each takes the host's PdxCall (args = the gate's GateAccess
// record) and returns the host result: 0 done, 1 the request is wrong or the
// PLC refused it, 2 the driver, the channel or the link failed.
#pragma once

#include "ordax.h"

namespace ordax {

// Command 5: one gate's value (a bit, a word or double word, or a string).
// For a whole-value gate it sets the record's count to 1 and, for 16-bit
// values other than X and Y, advances its data pointer by 2.
int ReadGate(PdxCall *call);

// Command 6: `count` values of the gate's file into the host's buffer; an
// N-file block of more than one value also refreshes the string gates it
// covers.
int ReadBlock(PdxCall *call);

// Command 7: one gate's value. Changes a whole-value gate's record as
// ReadGate does.
int WriteGate(PdxCall *call);

// Command 10: `count` values from the host's buffer.
int WriteBlock(PdxCall *call);

}  // namespace ordax
