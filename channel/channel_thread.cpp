// The channel thread: walks the station table, supervises every configured
// station when it is due, sleeps loopSleep after each walk, and closes the
// stations when it is told to end.
#include "channel/channel.h"
#include "core/relaxed.h"
#include "link/link.h"
#include "platform/clock.h"

namespace ordax {

namespace {

// Acquire: once the thread sees the flag clear, the host's exchanges are
// over and the stations are the thread's to close.
bool Running(const DriverContext &ctx) {
    return LoadAcquire(ctx.runFlag) != 0;
}

// Due when never supervised (or made due after a time-out: 0), or when more
// than superviseInterval has passed since its last pass (wrap-safe).
bool SupervisionDue(const DriverContext &ctx, const StationEntry &st) {
    const std::uint32_t last = LoadRelaxed(st.lastSupervision);
    return last == 0 || !plat::TickWithin(last, ctx.timers.superviseInterval);
}

// One walk over the table; a stop request ends it after the current station.
void WalkStations(DriverContext &ctx) {
    for (int n = 0; n < kStationCount && Running(ctx); ++n) {
        StationEntry &st = ctx.stations[n];
        if (LoadRelaxed(st.plcType) == kPlcNone || !SupervisionDue(ctx, st)) continue;
        SupervisePass(ctx, st, n);
        StoreRelaxed(st.lastSupervision, plat::TickCount());
    }
}

// The first walk runs while the channel is still starting, so it reads no
// master flag. Once the channel is open, every hot-backup pair is made due
// so that its flag is read at the next walk rather than superviseInterval
// later: until then host writes could reach the standby processor.
void MakePairsDue(DriverContext &ctx) {
    for (StationEntry &st : ctx.stations) {
        if (LoadRelaxed(st.plcType) != kPlcNone && st.standbyPlcType != kPlcNone) {
            StoreRelaxed(st.lastSupervision, 0u);
        }
    }
}

// Closes every configured station's connection, without the locks: the host
// makes no request while the channel stops.
void CloseAllStations(DriverContext &ctx) {
    for (StationEntry &st : ctx.stations) {
        if (LoadRelaxed(st.plcType) != kPlcNone) CloseStation(st);
    }
}

// The pause after a walk: loopSleep, but at least a few milliseconds, so
// that loopSleep 0 does not spin a core. A stop ends it at once.
std::uint32_t WalkPause(const ChannelTimers &timers) {
    return timers.loopSleep < kMinWalkPauseMs ? kMinWalkPauseMs : timers.loopSleep;
}

}  // namespace

// Contract in channel.h.
void ChannelThread(DriverContext &ctx) {
    bool sawOpen = false;
    bool walked = false;
    while (Running(ctx)) {
        if (!sawOpen && LoadRelaxed(ctx.channelOpen) != 0) {
            sawOpen = true;
            MakePairsDue(ctx);
        }
        WalkStations(ctx);
        StoreRelaxed(ctx.threadAlive, 1);
        if (!walked) {
            walked = true;
            plat::EventSet(&ctx.firstWalkEvent);
        }
        plat::EventWait(&ctx.stopEvent, WalkPause(ctx.timers));
    }
    CloseAllStations(ctx);
    StoreRelaxed(ctx.threadAlive, 0);
    plat::EventSet(&ctx.endEvent);
}

}  // namespace ordax
