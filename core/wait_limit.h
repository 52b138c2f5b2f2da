// The longest any single wait of the driver may last.
//
// Every receive, send, connect and session wait, of the host's calling
// thread and of the channel thread alike, is bounded by kMaxWaitMs, so no
// setting (a node-file time-out of -1 reads as 0xFFFFFFFF) and no peer can
// make a wait endless. 0 stays 0: no wait at all.
#pragma once

#include <cstdint>

namespace ordax {

constexpr std::uint32_t kMaxWaitMs = 60000;

constexpr std::uint32_t BoundedWaitMs(std::uint32_t ms) {
    return ms > kMaxWaitMs ? kMaxWaitMs : ms;
}

static_assert(BoundedWaitMs(0) == 0);
static_assert(BoundedWaitMs(0xFFFFFFFFu) == kMaxWaitMs);
static_assert(BoundedWaitMs(2000) == 2000);

}  // namespace ordax
