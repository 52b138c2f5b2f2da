// Decoded PCCC operations, shared by the PLC-5 and SLC decoders and the executor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/plcsim/plcsim.h"
#include "tools/plcsim/wire.h"

namespace plcsim {

// A data-table address as a request names it.
struct Target {
    int file = -1;
    int element = -1;
    int sub = 0;
    bool slc = false;
    uint8_t slcType = 0;
};

// One masked word update: new = (old AND andMask) OR orMask, at word `index` past `target`.
struct MaskSet {
    Target target;
    size_t index = 0;
    uint16_t andMask = 0;
    uint16_t orMask = 0;
};

// What a request asks for, once decoded.
struct Operation {
    bool write = false;
    Target target;
    size_t skipWords = 0;           // PLC-5 packet offset
    size_t bytes = 0;               // bytes read or written
    const uint8_t *data = nullptr;  // write data, `bytes` long
    std::vector<MaskSet> masks;     // read-modify-write / masked write
};

// Decoders: each reads the operands after FNC from `r`, fills `op` and the decoded record, and
// returns the refusal for a malformed request (STS 0x10 and friends) or STS 0.
Status DecodePlc5Read(Reader &r, Operation &op, DecodedRequest &d);
Status DecodePlc5Write(Reader &r, Operation &op, DecodedRequest &d);
Status DecodePlc5Rmw(Reader &r, Operation &op, DecodedRequest &d);
Status DecodeSlcRead(Reader &r, Operation &op, DecodedRequest &d);
Status DecodeSlcWrite(Reader &r, Operation &op, DecodedRequest &d);
Status DecodeSlcMasked(Reader &r, Operation &op, DecodedRequest &d);

}  // namespace plcsim
