// Operator message of the frame trace.
#pragma once

#include "core/message.h"

namespace ordax::tracemsg {

// ORDAX_TRACE names a file that cannot be opened: the channel opens
// without a trace.
inline constexpr Message<const char *, int> kTraceNotOpened{
    kLevelError, "Ordax : Unable to open trace file %s, errno %d"};

}  // namespace ordax::tracemsg
