// Reply time-out from the host's value in units of 10 ms.
#pragma once

#include <cstdint>

#include "core/wait_limit.h"

namespace ordax {

constexpr std::uint32_t kMinReplyTimeoutMs = 1000;
// Longest reply time-out: no wait of the driver lasts longer.
constexpr std::uint32_t kMaxReplyTimeoutMs = kMaxWaitMs;

// timeoutCs x 10 ms, raised to 1000 ms when below it. The product is taken
// in 64 bits and capped at a minute, so a huge (or negative) host value
// gives the longest time-out instead of wrapping round to a short one or
// making every read of a silent station wait for weeks.
constexpr std::uint32_t ReplyTimeoutFromCs(std::int32_t timeoutCs) {
    std::uint64_t ms = static_cast<std::uint64_t>(static_cast<std::uint32_t>(timeoutCs)) * 10u;
    if (ms > kMaxReplyTimeoutMs) ms = kMaxReplyTimeoutMs;
    return ms < kMinReplyTimeoutMs ? kMinReplyTimeoutMs : static_cast<std::uint32_t>(ms);
}

static_assert(ReplyTimeoutFromCs(50) == 1000);
static_assert(ReplyTimeoutFromCs(150) == 1500);
static_assert(ReplyTimeoutFromCs(-1) == kMaxWaitMs);

}  // namespace ordax
