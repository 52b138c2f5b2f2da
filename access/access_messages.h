// Operator messages of the read and write commands and of the string gate
// delivery: text and level, character for character.
#pragma once

#include "core/message.h"

namespace ordax::accessmsg {

// A request whose words would not fit the transaction's data area or frame
// is refused before anything is sent: the gate's count, then its address.
inline constexpr Message<int, const char *> kCountTooLarge{
    kLevelDetail, "Ordax : Count %d does not fit one request, Gate Address: %s"};

// The host refused a text delivered to a string gate.
inline constexpr Message<int> kPutGateFailed{kLevelError,
                                             "Halvik: Error %d on call to Tam5PutGateStr"};

}  // namespace ordax::accessmsg
