// A host's records of one gate on one channel: the GateRecord that command
// 3 or 4 decoded, and the GateAccess filled afresh from it before every
// read or write, as hosts do (commands 5 and 7 change the record).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ordax.h"

namespace bench {

class HostGate {
public:
    // A block gate when blockLength > 0, else a single gate.
    HostGate(void *block, int channel, const char *address, int gateType, int blockLength);
    HostGate(const HostGate &) = delete;
    HostGate &operator=(const HostGate &) = delete;

    bool Parse();
    // Command 5, 6, 7 or 10 with `count` values; the driver's result.
    int Run(int command, int count);

private:
    std::string text_;
    GateRecord record_{};
    GateAccess access_{};
    std::vector<std::uint8_t> buffer_;
    PdxCall call_{};
};

}  // namespace bench
