// PCCC command decoding and execution against a station's data tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/plcsim/state.h"

namespace plcsim {

inline constexpr uint8_t kCmdRequest = 0x0F;
inline constexpr uint8_t kCmdReplyBit = 0x40;
inline constexpr size_t kPcccHeadBytes = 4;  // CMD, STS, TNS

// Decodes and carries out one PCCC command (`p` points at CMD, `n` bytes up to the end of the
// frame) for station `st`, filling `d` and writing the PCCC reply (CMD | 0x40, STS, TNS, then
// EXT STS or the data read) to `reply`. A command shorter than CMD, STS and TNS cannot be
// answered: the function then returns false and writes nothing.
bool ExecutePccc_Locked(StationState &st, const uint8_t *p, size_t n, DecodedRequest &d,
                        std::vector<uint8_t> &reply);

// Readable name of a PCCC function code of the family, or "unknown".
const char *CommandName(uint8_t cmd, uint8_t fnc);

}  // namespace plcsim
