// Result codes of the driver's layers: the frame receiver and the
// transaction engine (link/), the channel start (channel/), and what PdxMain
// hands the host (PdxResult, declared with the host interface in ordax.h).
#pragma once

#include "ordax.h"

namespace ordax {

// Results of RcvMsg.
enum RcvResult : int {
    kRcvOk = 0,
    kRcvSocketError = 1,  // failed wait, wait without event, read error
    kRcvTimeout = 8,      // nothing readable, or the frame did not complete in time
    kRcvTooLong = 10,     // the buffer cannot hold the frame
};

// Results of the transaction engine.
enum LinkResult : int {
    kLinkOk = 0,              // a reply was accepted
    kLinkBadFileType = 3,     // SLC encoding has no file-type byte
    kLinkBadPlcType = 4,      // plcType neither 1 nor 2
    kLinkBadFunction = 5,     // function outside 1..4
    kLinkTimeout = 8,         // no reply within the reply time-out
    kLinkNotOpen = 9,         // channel not open
    kLinkNotConfigured = 11,  // station not configured
    kLinkNotConnected = 12,   // no connection, or send/receive failed
};

// A count the frame or data area cannot take is refused like a malformed
// request (host result 1, "Parseing Error").
constexpr LinkResult kLinkBadCount = kLinkBadFunction;

// Results of StartChannel.
enum ChannelResult : int {
    kChannelStarted = 0,
    kChannelStartFailed = 6,  // the thread cannot be created or did not finish its first walk
};

}  // namespace ordax
