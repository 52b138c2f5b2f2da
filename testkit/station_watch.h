// Watching a running channel from a test or a benchmark: a host read of
// N7:0 at one station, a copy of what matters in a station taken under its
// lock, and a wait until something holds.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "core/context.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/lock.h"

namespace ordax_test {

// A host read of N7:0 at `station`, taking the station's lock.
inline ordax::LinkResult ReadN7(ordax::DriverContext &ctx, int station,
                                std::uint16_t *value = nullptr) {
    ordax::Transaction txn{};
    txn.function = ordax::ReadSingleWord;
    txn.station = static_cast<std::uint8_t>(station);
    txn.fileType = ordax::kFileN;
    txn.fileNumber = 7;
    txn.count = 1;
    txn.bit = ordax::kNoBit;
    const ordax::LinkResult result = ordax::Transact(ctx, txn, nullptr);
    if (value != nullptr) *value = txn.data[0];
    return result;
}

// What tests look at in a station, copied under its lock while a channel
// thread may be working on it.
struct StationView {
    std::int32_t plcType;
    std::int32_t onStandby;
    plat::Socket socket;
    std::string address;
};

inline StationView ViewLocked(ordax::StationEntry &st) {
    plat::LockEnter(&st.lock);
    StationView v{st.plcType, st.onStandby, st.socket,
                  std::string(st.address, strnlen(st.address, sizeof st.address))};
    plat::LockLeave(&st.lock);
    return v;
}

// Polls `done` every 10 ms for at most `limitMs`; true once it holds.
inline bool WaitUntil(const std::function<bool()> &done, std::uint32_t limitMs) {
    const std::uint32_t start = plat::TickCount();
    while (!done()) {
        if (!plat::TickWithin(start, limitMs)) return false;
        plat::SleepMs(10);
    }
    return true;
}

}  // namespace ordax_test
