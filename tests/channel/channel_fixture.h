// Shared helpers of the channel tests: a host's channel block, node files in
// a temporary current directory, the relevant operator messages, station
// snapshots taken under the station's lock, and counts of the process's
// threads and descriptors.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/relaxed.h"
#include "link/link.h"
#include "ordax.h"
#include "platform/clock.h"
#include "platform/lock.h"
#include "testkit/host_channel.h"
#include "testkit/messages.h"
#include "testkit/process_resources.h"

namespace chantest {

using ordax_test::CloseCommand;
using ordax_test::HostBlock;
using ordax_test::NewHostBlock;
using ordax_test::NodeDir;
using ordax_test::OpenCommand;

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

// The messages of connection attempts, hot-backup switch-over and
// master-flag reads, in the order they came, as "level|text".
inline std::vector<std::string> PassMessages(const ordax_test::MessageCapture &log) {
    static const char *const kPrefixes[] = {
        "Ordax : Connected to ", "Ordax : Failure connecting to ", "Ordax : Connect Failed attempt",
        "Ordax : Master Flag",   "Ordax : Read Master Flag",
    };
    std::vector<std::string> out;
    for (const ordax_test::Message &m : log.All()) {
        for (const char *prefix : kPrefixes) {
            if (m.text.rfind(prefix, 0) == 0) {
                out.push_back(std::to_string(m.level) + "|" + m.text);
                break;
            }
        }
    }
    return out;
}

inline int CountMessages(const ordax_test::MessageCapture &log, const std::string &text) {
    int n = 0;
    for (const ordax_test::Message &m : log.All()) n += m.text == text ? 1 : 0;
    return n;
}

// What the tests look at in a station, copied under its lock while a
// channel thread may be working on it.
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

using ordax_test::DescriptorCount;
using ordax_test::ThreadCount;

// True once the process has `count` threads (within 3 s): a joined thread
// may linger in the process's task list for a moment after the join.
inline bool ThreadCountSettlesAt(int count) {
    return WaitUntil([&] { return ThreadCount() == count; }, 3000);
}

}  // namespace chantest
