// Starting and stopping the channel: station locks, the socket library and
// the channel thread, with the waits for its first walk and for its end.
#include "channel/channel.h"
#include "channel/channel_messages.h"
#include "core/relaxed.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/thread.h"

namespace ordax {

namespace {

// The thread tells the start that it runs before anything else, so that a
// first walk that is merely slow is told apart from a thread that never ran.
void ThreadEntry(void *arg) {
    DriverContext &ctx = *static_cast<DriverContext *>(arg);
    plat::EventSet(&ctx.runningEvent);
    ChannelThread(ctx);
}

// Locks exist only for configured stations; the transaction engine never
// enters the lock of a station that is not.
void CreateStationLocks(DriverContext &ctx) {
    for (StationEntry &st : ctx.stations) {
        if (st.plcType != kPlcNone) plat::LockInit(&st.lock);
    }
    ctx.locksCreated = 1;
}

void DeleteStationLocks(DriverContext &ctx) {
    if (ctx.locksCreated == 0) return;
    for (StationEntry &st : ctx.stations) {
        if (st.plcType != kPlcNone) plat::LockDelete(&st.lock);
    }
    ctx.locksCreated = 0;
}

// Waits for `event` at most kChannelWaitLimitMs on the tick count, as every
// limit of the channel is measured. The event ends the wait at once; the
// slices only let the limit be tested now and then.
bool AwaitEvent(plat::Event *event) {
    const std::uint32_t start = plat::TickCount();
    while (!plat::EventWait(event, kChannelWaitSliceMs)) {
        if (!plat::TickWithin(start, kChannelWaitLimitMs)) return false;
    }
    return true;
}

// Creates the thread and waits (at most 60 s) for the event it sets after
// its first walk. A thread that runs but is still in that walk when the
// limit is reached (stations that are slow to answer) leaves the channel
// open: its walk goes on and ends on its own, every wait in it being
// finite. Only a thread that never ran fails the start. kChannelStarted or
// kChannelStartFailed (logged); a created thread's handle is kept for the
// stop to join.
ChannelResult LaunchThread(DriverContext &ctx) {
    plat::EventReset(&ctx.closeEvent);
    plat::EventReset(&ctx.stopEvent);
    plat::EventReset(&ctx.runningEvent);
    plat::EventReset(&ctx.firstWalkEvent);
    plat::EventReset(&ctx.endEvent);
    plat::ThreadHandle handle = 0;
    if (plat::ThreadStart(ThreadEntry, &ctx, kChannelThreadStack, &handle) != 0) {
        Emit(chanmsg::kThreadNotCreated);
        return kChannelStartFailed;
    }
    ctx.channelThread = handle;
    if (AwaitEvent(&ctx.firstWalkEvent)) return kChannelStarted;
    if (plat::EventIsSet(&ctx.runningEvent)) return kChannelStarted;
    Emit(chanmsg::kThreadDidNotStart);
    return kChannelStartFailed;
}

// A thread that finished its first walk is waited for (at most 60 s) on the
// event it sets as it ends; one still in its first walk (an open whose
// first walk outlasted the start's limit) is not: the join below waits for
// it, and every wait of that walk is finite.
void AwaitThreadEnd(DriverContext &ctx) {
    if (LoadRelaxed(ctx.threadAlive) == 0) return;
    if (!AwaitEvent(&ctx.endEvent)) Emit(chanmsg::kThreadStopTimeout);
}

// Joins the thread: after the wait on threadAlive it may still be running,
// e.g. in the first walk of a start that ran out of time, and the locks and
// the socket library must outlive it.
void JoinChannelThread(DriverContext &ctx) {
    if (ctx.channelThread == 0) return;
    plat::ThreadJoin(ctx.channelThread);
    ctx.channelThread = 0;
}

}  // namespace

// Contract in channel.h.
ChannelResult StartChannel(DriverContext &ctx) {
    if (LoadRelaxed(ctx.channelOpen) != 0) StopChannel(ctx);
    StoreRelaxed(ctx.runFlag, 1);
    CreateStationLocks(ctx);
    // The start's result is not examined; only a start that succeeded is
    // released again by the stop, so starts and clean-ups stay paired.
    ctx.socketsStarted = plat::Sockets().startup() == 0 ? 1 : 0;
    const ChannelResult result = LaunchThread(ctx);
    if (result != kChannelStarted) {
        StopChannel(ctx);
        return result;
    }
    StoreRelaxed(ctx.channelOpen, 1);
    return kChannelStarted;
}

// Contract in channel.h.
int StopChannel(DriverContext &ctx) {
    StoreRelease(ctx.runFlag, 0);  // hands the stations to the thread's shutdown
    plat::EventSet(&ctx.closeEvent);
    plat::EventSet(&ctx.stopEvent);
    AwaitThreadEnd(ctx);
    JoinChannelThread(ctx);
    DeleteStationLocks(ctx);
    if (ctx.socketsStarted != 0) {
        plat::Sockets().cleanup();
        ctx.socketsStarted = 0;
    }
    StoreRelaxed(ctx.channelOpen, 0);
    return 0;
}

}  // namespace ordax
