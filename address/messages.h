// Operator messages of the gate-address parser: fixed texts at fixed levels.
#pragma once

#include "core/message.h"

namespace ordax::parsemsg {

inline constexpr Message<> kUnknownDeviceType{kLevelDetail,
                                              "Ordax : Parse unknown device type !!!"};
inline constexpr Message<> kInvalidCharacter{kLevelDetail,
                                             "Ordax : Parse invalid character in gate address !!!"};
inline constexpr Message<> kStringFileInBlock{
    kLevelDetail, "Ordax Od-parse 'X' or 'Y' File type not allowed in Blocks use 'N'"};
inline constexpr Message<> kStringFileNeedsStringGate{
    kLevelDetail, "Ordax Od-parse Must use String gate with 'X' or 'Y' File type"};
inline constexpr Message<> kNoDefinitionMemory{
    kLevelError,
    "Ordax Od-parse(ParseStringInNFIle) unable to allocate string definition structure"};

}  // namespace ordax::parsemsg
