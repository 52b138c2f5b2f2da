// Command routines whose subsystems are not built yet. Each answers 2
// (the driver cannot do it) until its own implementation replaces it here.
#include "frame/commands.h"

namespace ordax {

int OpenChannel(PdxCall *) { return PDX_LINK_ERROR; }
int ReadGate(PdxCall *) { return PDX_LINK_ERROR; }
int ReadBlock(PdxCall *) { return PDX_LINK_ERROR; }
int WriteGate(PdxCall *) { return PDX_LINK_ERROR; }
int WriteBlock(PdxCall *) { return PDX_LINK_ERROR; }
int CloseChannel(PdxCall *) { return PDX_LINK_ERROR; }

}  // namespace ordax
