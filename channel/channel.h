// The channel's background thread: it keeps the connections to the
// channel's PLC stations up and supervises hot-backup pairs, and its start
// and stop for channel open and close.
#pragma once

#include <cstdint>

#include "core/context.h"
#include "core/results.h"
#include "link/link.h"

namespace ordax {

// Start and stop waits: at most this long on the tick count, which they
// test every kChannelWaitSliceMs; the thread's events end them at once.
constexpr std::uint32_t kChannelWaitLimitMs = 60000;
constexpr std::uint32_t kChannelWaitSliceMs = 100;
constexpr std::uint32_t kChannelThreadStack = 65535;

// The shortest pause of the channel thread between two walks, whatever
// loopSleep says.
constexpr std::uint32_t kMinWalkPauseMs = 5;

// Starts the channel: creates the configured stations' locks, starts the
// socket library and the channel thread, and waits (at most 60 s) until the
// thread has finished its first walk over the station table, that is until
// every configured station has been tried once. A thread still in that walk
// after 60 s leaves the channel open (the walk goes on); only a thread that
// never ran fails. Stops a channel that is still open first.
// kChannelStarted = open (channelOpen 1); kChannelStartFailed = failed
// (logged, everything undone).
ChannelResult StartChannel(DriverContext &ctx);

// Stops the channel: clears runFlag, sets the close and stop events (the
// thread's pause and an engine's pause after a time-out end at once), waits for the
// thread's end (the message after 60 s, then a join, so the thread has
// surely ended), deletes the station locks and releases the socket-library
// start if StartChannel made them, and clears channelOpen. Safe on a
// prepared channel that was never started. Always 0.
int StopChannel(DriverContext &ctx);

// The thread's body: walks the station table while runFlag is set, giving
// each configured station that is due the steps of a supervision pass (the
// connects of a walk side by side, the flag reads of connected pairs on time
// while they are pending; a station whose attempt failed not again within
// 1 s, or superviseInterval when longer) and pausing loopSleep (at least
// kMinWalkPauseMs, cut short by the stop event) after each walk;
// sets firstWalkEvent after the first walk; at the end closes every
// configured station, clears threadAlive and sets endEvent.
void ChannelThread(DriverContext &ctx);

// The steps of a station's supervision pass besides its connects, which the
// walk (channel_thread.cpp) makes side by side through its batch of
// attempts. A pass connects the station if needed (switching to the
// partner when that fails) and, while the channel is open, checks a
// hot-backup pair's master flag (N31:0 bit 0), switching to the partner
// when it is clear; at most two switches.

// After a failed connect: a pair makes its other address active and logs
// so; true when it did (one attempt on it follows at once), false for a
// station without a partner. `number` is the station's, for the trace.
bool FallBackToPartner(const DriverContext &ctx, StationEntry &station, int number,
                       StationLockHeld);

enum class FlagStep { kPassDone, kConnectAgain };

// For a connected pair of an open channel, reads the master flag. A clear
// flag is logged, closes the station and switches it to its partner
// (counted in *switches): kConnectAgain while fewer than two switches were
// made in this pass, the new active address is to be connected and its
// flag read. Anything else ends the pass (kPassDone).
FlagStep CheckMasterFlag(DriverContext &ctx, StationEntry &station, int number, int *switches,
                         StationLockHeld);

}  // namespace ordax
