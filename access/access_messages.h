// Operator messages of the read and write commands and of the string gate
// delivery: text and level, character for character.
#pragma once

#include "core/message.h"

namespace ordax::accessmsg {

// A request whose words would not fit the transaction's data area or frame
// is refused before anything is sent: the gate's count, then its address.
inline constexpr Message<int, const char *> kCountTooLarge{
    kLevelDetail, "Ordax : Count %d does not fit one request, Gate Address: %s"};

// A bit request whose bit is not 0 to 15, or a request whose value width is
// neither 16 nor 32, is refused before anything is sent: fields the gate
// parser never makes, then the gate's address.
inline constexpr Message<int, int, const char *> kInvalidBitOrWidth{
    kLevelDetail, "Ordax : Invalid Bit %d or Width %d, Gate Address: %s"};

// The host refused a text delivered to a string gate.
inline constexpr Message<int> kPutGateFailed{kLevelError,
                                             "Halvik: Error %d on call to Tam5PutGateStr"};

}  // namespace ordax::accessmsg
