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
#include "testkit/station_watch.h"

namespace chantest {

using ordax_test::CloseCommand;
using ordax_test::HostBlock;
using ordax_test::NewHostBlock;
using ordax_test::NodeDir;
using ordax_test::OpenCommand;
using ordax_test::ReadN7;
using ordax_test::StationView;
using ordax_test::ViewLocked;
using ordax_test::WaitUntil;

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

using ordax_test::DescriptorCount;
using ordax_test::ThreadCount;

// True once the process has `count` threads (within 3 s): a joined thread
// may linger in the process's task list for a moment after the join.
inline bool ThreadCountSettlesAt(int count) {
    return WaitUntil([&] { return ThreadCount() == count; }, 3000);
}

}  // namespace chantest
