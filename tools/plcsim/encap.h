// Encapsulation frames as the processor sees them: session connect, PCCC command, refusals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/plcsim/state.h"

namespace plcsim {

inline constexpr size_t kHeaderBytes = 28;
inline constexpr size_t kPrefixBytes = 4;
inline constexpr uint8_t kModeRequest = 1;
inline constexpr uint8_t kModeReply = 2;
inline constexpr uint8_t kEncapSession = 1;
inline constexpr uint8_t kEncapPccc = 7;
inline constexpr uint32_t kEncapUnsupported = 0x01;     // command not supported
inline constexpr uint32_t kEncapInvalidSession = 0x64;  // no session / wrong session handle
inline constexpr uint32_t kEncapInvalidLength = 0x65;   // too short for the PCCC head
// Largest data area accepted; a header announcing more closes the connection.
inline constexpr size_t kMaxDataLength = 8192;

// Frames to send for one request, in order (a fault may add one before the reply).
struct FrameOutcome {
    std::vector<std::vector<uint8_t>> frames;
    bool close = false;  // close the connection (nothing to send)
};

// Handles one complete frame (`n` = 28 + dataLength bytes) received on `conn` of station
// `st`: fills `rec` and `out`, updates counters, the connection's session and the tables.
void HandleFrame_Locked(StationState &st, Conn &conn, const uint8_t *frame, size_t n,
                        RequestRecord &rec, FrameOutcome &out);

}  // namespace plcsim
