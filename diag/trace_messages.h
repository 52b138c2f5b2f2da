// Operator message of the frame trace.
#pragma once

#include "core/message.h"

namespace ordax::tracemsg {

// ORDAX_TRACE names a file that cannot be opened: the channel opens
// without a trace.
inline constexpr Message<const char *, int> kTraceNotOpened{
    kLevelError, "Ordax : Unable to open trace file %s, errno %d"};

// The file could not be started anew after a rotation: the trace ends.
inline constexpr Message<const char *, int> kTraceNotReopened{
    kLevelError, "Ordax : Unable to reopen trace file %s, errno %d, trace ended"};

}  // namespace ordax::tracemsg
