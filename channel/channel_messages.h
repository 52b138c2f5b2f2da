// Operator messages of the channel thread, its start and stop, and the
// hot-backup switch-over, character for character as operators know them.
#pragma once

#include "core/message.h"

namespace ordax::chanmsg {

// Hot-backup switch-over.
inline constexpr Message<> kConnectHotBackup{
    kLevelDetail, "Ordax : Connect Failed attempting connect to Hot Backup !!!"};
inline constexpr Message<const char *> kMasterFlagReadError{
    kLevelDetail, "Ordax : Read Master Flag Error from IP %s !!"};
inline constexpr Message<const char *, const char *> kMasterFlagNotSet{
    kLevelError, "Ordax : Master Flag not set, switching Base IP %s Standby IP %s !!!"};

// Start and stop of the channel thread.
inline constexpr Message<> kThreadNotCreated{kLevelError,
                                             "Ordax : Can Not open Channel thread !!!"};
inline constexpr Message<> kThreadDidNotStart{kLevelError,
                                              "Ordax : Channel thread did not start !!!"};
inline constexpr Message<> kThreadStopTimeout{kLevelError,
                                              "Ordax : Timed out waiting for thread to stop !!!"};

}  // namespace ordax::chanmsg
