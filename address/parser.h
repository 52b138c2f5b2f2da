// The gate-address parser's internal operations (commands 3 and 4 are
// declared in address/address.h).
#pragma once

#include <cstdint>

#include "address/address.h"
#include "core/context.h"
#include "core/file_types.h"
#include "ordax.h"

namespace ordax {

constexpr int kGateAccepted = PDX_DONE;
constexpr int kGateRejected = PDX_REQUEST_ERROR;

// The channel block and gate record of a command 3 or 4 call; false when
// the call lacks either.
bool GateCallRecords(PdxCall *call, DriverContext **ctx, GateRecord **gate);

// Decodes file number, element and sub-element of a pattern-checked address
// of `row`'s letter into gate->packedAddress and sets valueBits (32 where the
// row has 32-bit values: F, and P from sub-element 2). Returns the
// sub-element.
int DecodeGateFields(const char *columns, const FileTypeRow &row, int plcType, GateRecord *gate);

// The string-gate pairing, bit and gate-kind checks of a single gate
// (not a block): kGateAccepted or kGateRejected, no message.
int CheckGateKind(const char *columns, const FileTypeRow &row, int plcType, int subElement,
                  GateRecord *gate);

// Parses an X or Y address of a string gate and records its definition in
// the channel's list: kGateAccepted or kGateRejected.
int ParseStringInNFIle(PdxCall *call);

// Fills `fresh` (nullptr when its allocation failed) from a parsed X or Y
// gate and links it at the head of ctx->stringDefinitions. Without a record
// it reports the allocation message (level 32) and rejects.
int LinkStringDefinition(DriverContext *ctx, const GateRecord &gate, StringDefinition *fresh);

}  // namespace ordax
