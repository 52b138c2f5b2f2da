// The channel thread: walks the station table, supervises every configured
// station when it is due (the connects of a walk side by side), sleeps
// loopSleep after each walk, and closes the stations when it is told to end.
#include "channel/channel.h"
#include "core/relaxed.h"
#include "diag/trace.h"
#include "link/connect_batch.h"
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

// How often a walk that awaits connects looks at the stop request and at
// the connected pairs whose flag read is due.
constexpr std::uint32_t kWalkSliceMs = 50;

// A station whose attempt failed is not tried again for a second, or for
// superviseInterval when that is longer: with superviseInterval and
// loopSleep 0, a refusing station would otherwise be tried, and its
// failure logged twice, at every walk.
constexpr std::uint32_t kRetryFloorMs = 1000;

// When each station's last attempt failed, kept from walk to walk. A
// station is marked when its pass ends after a failed attempt and
// unmarked when it is tried again; it is never connected while marked,
// for only the channel thread connects.
class RetryFloor {
public:
    void Mark(int n, std::uint32_t now) {
        failedAt_[n] = now;
        marked_[n] = true;
    }
    // False while station n's last failure is less than the floor old.
    bool Allows(int n, const ChannelTimers &timers) {
        if (!marked_[n]) return true;
        const std::uint32_t floor =
            timers.superviseInterval > kRetryFloorMs ? timers.superviseInterval : kRetryFloorMs;
        if (plat::TickWithin(failedAt_[n], floor)) return false;
        marked_[n] = false;
        return true;
    }

private:
    std::uint32_t failedAt_[kStationCount] = {};
    bool marked_[kStationCount] = {};
};

// One walk: every due station gets its supervision pass, the passes side by
// side. The connects of all due unconnected stations are started at once
// and awaited together; the flag reads of connected pairs run on the
// channel thread between the slices of that wait, so a pair is supervised
// on time however long other stations' connects take. No lock is held
// while a connect is awaited; each station's lock is taken on its own to
// install a connection, switch an address or read a flag.
class Walk {
public:
    Walk(DriverContext &ctx, RetryFloor &floor)
        : ctx_(ctx), floor_(floor), batch_(ctx.timers, ctx.trace) {}

    void Run() {
        for (int n = 0; n < kStationCount && Running(ctx_); ++n) {
            if (Configured(n) && SupervisionDue(ctx_, ctx_.stations[n]) &&
                floor_.Allows(n, ctx_.timers)) {
                Begin(n);
            }
        }
        while (batch_.Pending() && Running(ctx_)) {
            batch_.Advance(kWalkSliceMs);
            ConnectBatch::Finished f{};
            while (batch_.NextFinished(&f)) Finish(f);
            SuperviseConnectedPairs();
        }
    }

private:
    bool Configured(int n) const { return LoadRelaxed(ctx_.stations[n].plcType) != kPlcNone; }

    // Starts station n's pass: a connect when it has none, else the flag
    // check, which may ask for a connect to the partner.
    void Begin(int n) {
        StationEntry &st = ctx_.stations[n];
        switches_[n] = 0;
        fellBack_[n] = false;
        failed_[n] = false;
        plat::LockEnter(&st.lock);
        bool connect = st.socket == plat::kNoSocket;
        if (!connect) {
            connect = CheckMasterFlag(ctx_, st, n, &switches_[n], kStationLockHeld) ==
                      FlagStep::kConnectAgain;
        }
        plat::LockLeave(&st.lock);
        Continue(n, connect);
    }

    // An attempt of station n has finished: install it and check the flag,
    // or after a failure fall back to the partner once.
    void Finish(const ConnectBatch::Finished &f) {
        const int n = f.station;
        StationEntry &st = ctx_.stations[n];
        bool connect = false;
        plat::LockEnter(&st.lock);
        if (f.outcome == ConnectBatch::Outcome::kConnected) {
            if (batch_.Install(n, st, kStationLockHeld)) {
                connect = CheckMasterFlag(ctx_, st, n, &switches_[n], kStationLockHeld) ==
                          FlagStep::kConnectAgain;
                if (connect) fellBack_[n] = false;
            }
        } else {
            failed_[n] = true;
            if (!fellBack_[n] && FallBackToPartner(ctx_, st, n, kStationLockHeld)) {
                fellBack_[n] = true;
                connect = true;
            }
        }
        plat::LockLeave(&st.lock);
        Continue(n, connect);
    }

    // Station n's pass goes on with a connect to its active address (the
    // channel thread alone changes that address, so it is read unlocked),
    // or ends.
    void Continue(int n, bool connect) {
        if (connect) {
            batch_.Start(n, ctx_.stations[n].address);
            if (batch_.Busy(n)) return;
            ConnectBatch::Finished f{};  // failed at once: its outcome is queued
            while (batch_.NextFinished(&f)) Finish(f);
            return;
        }
        const std::uint32_t now = plat::TickCount();
        if (failed_[n]) floor_.Mark(n, now);
        StoreRelaxed(ctx_.stations[n].lastSupervision, now);
    }

    // The flag reads of connected pairs that fall due while connects are
    // awaited. Stations whose pass is still connecting are left alone, and
    // no station is connected again in this walk.
    void SuperviseConnectedPairs() {
        for (int n = 0; n < kStationCount && Running(ctx_); ++n) {
            StationEntry &st = ctx_.stations[n];
            if (!Configured(n) || st.standbyPlcType == kPlcNone || batch_.Busy(n) ||
                !SupervisionDue(ctx_, st)) {
                continue;
            }
            plat::LockEnter(&st.lock);
            const bool connected = st.socket != plat::kNoSocket;
            plat::LockLeave(&st.lock);
            if (connected) Begin(n);
        }
    }

    DriverContext &ctx_;
    RetryFloor &floor_;
    ConnectBatch batch_;
    int switches_[kStationCount] = {};
    bool fellBack_[kStationCount] = {};
    bool failed_[kStationCount] = {};  // an attempt of this walk's pass failed
};

void WalkStations(DriverContext &ctx, RetryFloor &floor) {
    Walk walk(ctx, floor);
    walk.Run();
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
// makes no request while the channel stops. Each connection goes to the
// trace as closed.
void CloseAllStations(DriverContext &ctx) {
    for (int n = 0; n < kStationCount; ++n) {
        StationEntry &st = ctx.stations[n];
        if (LoadRelaxed(st.plcType) == kPlcNone) continue;
        if (st.socket != plat::kNoSocket) {
            TraceNote(StationTrace(ctx.trace, n, st.address), TraceEvent::kClose);
        }
        CloseStation(st);
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
    RetryFloor floor;
    while (Running(ctx)) {
        if (!sawOpen && LoadRelaxed(ctx.channelOpen) != 0) {
            sawOpen = true;
            MakePairsDue(ctx);
        }
        WalkStations(ctx, floor);
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
