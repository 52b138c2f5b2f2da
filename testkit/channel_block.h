// The channel block as tests, tools and benchmarks prepare it: a cleared
// DriverContext with every socket -1 and the default timers, stations
// configured as the node file would configure them, and connected as the
// channel thread connects them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/context.h"
#include "link/connect_batch.h"
#include "platform/lock.h"
#include "platform/socket.h"

namespace ordax_test {

enum class ChannelState {
    kClosed,  // as command 1 leaves it before it reads the node file
    kOpen,    // open, with a reply time-out of 1000 ms
};

// Prepares a block in place (one the caller lays out itself, say with guard
// bytes after it).
inline void ClearChannelBlock(ordax::DriverContext &ctx, ChannelState state) {
    std::memset(&ctx, 0, sizeof ctx);
    for (ordax::StationEntry &st : ctx.stations) st.socket = plat::kNoSocket;
    ctx.timers = ordax::kDefaultTimers;
    if (state == ChannelState::kOpen) {
        ctx.replyTimeout = 1000;
        ctx.channelOpen = 1;
    }
}

inline std::unique_ptr<ordax::DriverContext> NewChannelBlock(ChannelState state) {
    auto ctx = std::make_unique<ordax::DriverContext>();
    ClearChannelBlock(*ctx, state);
    return ctx;
}

enum class StationLock { kNone, kInit };

// Configures `station` with a base address of the given family, as a node
// file line would, and (kInit) creates its lock as the channel start would.
inline ordax::StationEntry &ConfigureStation(ordax::DriverContext &ctx, int station,
                                             std::int32_t plcType, const char *address,
                                             StationLock lock = StationLock::kInit) {
    ordax::StationEntry &st = ctx.stations[station];
    st.plcType = st.basePlcType = plcType;
    std::snprintf(st.address, sizeof st.address, "%s", address);
    std::snprintf(st.baseAddress, sizeof st.baseAddress, "%s", address);
    if (lock == StationLock::kInit) plat::LockInit(&st.lock);
    return st;
}

// Connects `station` (configured, lock created) as the channel thread's walk
// does: one attempt through a batch of its own, awaited to its end (each
// round waits the attempt's time left) and installed under the station's
// lock. true = connected.
inline bool ConnectStation(ordax::DriverContext &ctx, int station) {
    ordax::ConnectBatch batch(ctx.timers, ctx.trace);
    ordax::StationEntry &st = ctx.stations[station];
    batch.Start(station, st.address);
    while (batch.Pending()) batch.Advance(60000);
    ordax::ConnectBatch::Finished done{};
    plat::LockEnter(&st.lock);
    const bool connected =
        batch.NextFinished(&done) && batch.Install(station, st, ordax::kStationLockHeld);
    plat::LockLeave(&st.lock);
    return connected;
}

}  // namespace ordax_test
