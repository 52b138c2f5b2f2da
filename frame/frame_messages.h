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
// PdxMain called for a channel from inside one of the driver's own calls on
// it (a host service calling back) or from the channel's thread: refused.
inline constexpr Message<int> kCalledBackIn{
    kLevelDetail, "Ordax : Command %d refused, called back from within the driver on this channel"};
inline constexpr Message<> kChannelOpenFailed{kLevelError, "Ordax : Channel Open Failed !!!"};

}  // namespace ordax::framemsg
