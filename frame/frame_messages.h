// Operator messages of channel open and close, character for character as
// operators know them.
#pragma once

#include "core/message.h"

namespace ordax::framemsg {

inline constexpr Message<const char *, const char *> kVersion{
    kLevelError, "Ordax : Version 7.51 compiled on %s at %s"};
inline constexpr Message<> kNoClientNameMemory{kLevelError,
                                               "Halvik: Unable to allocate memory for client name"};
inline constexpr Message<int> kMakeClientFailed{kLevelError,
                                                "Halvik: Make Client failed, return code %d"};
inline constexpr Message<> kChannelOpenFailed{kLevelError, "Ordax : Channel Open Failed !!!"};

}  // namespace ordax::framemsg
