// Operator messages of the node-file reader, character for character as
// operators know them.
#pragma once

#include "core/message.h"

namespace ordax::nodemsg {

inline constexpr Message<const char *> kNodeFileMissing{kLevelError, "Ordax : File %s not found !"};

}  // namespace ordax::nodemsg
