// Command 4: a block gate runs the gate parser in block mode, must not name
// a bit, and may not be longer than its family's limit for the file type.
#include "address/address.h"
#include "address/columns.h"
#include "address/layout.h"
#include "address/parser.h"
#include "core/relaxed.h"

namespace ordax {

namespace {

constexpr char kBlank = ' ';

// Largest blockLength by file-type letter: PLC-5, SLC 5. 0 = no blocks.
struct BlockLimit {
    char letter;
    std::int32_t plc5;
    std::int32_t slc5;
};

constexpr BlockLimit kBlockLimits[] = {
    {'S', 1000, 256}, {'B', 1000, 256}, {'N', 1000, 256}, {'F', 500, 256},
    {'I', 1000, 1},   {'O', 1000, 1},   {'T', 0, 0},      {'C', 0, 0},
    {'R', 0, 0},      {'P', 0, 0},      {'G', 0, 0},
};

}  // namespace

std::int32_t BlockLimitFor(int plcType, char letter) {
    for (const BlockLimit &limit : kBlockLimits) {
        if (limit.letter == letter) return plcType == kSlc5 ? limit.slc5 : limit.plc5;
    }
    return 0;
}

// String gates are refused before the parser runs; the parse itself stops
// before the single-gate checks while parsingBlock is 1.
int ParseBlock(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateRecord *gate = nullptr;
    if (!GateCallRecords(call, &ctx, &gate)) return kGateRejected;
    if (gate->gateType == PDX_GATE_STRING) return kGateRejected;
    ctx->parsingBlock = 1;
    const int parsed = ParseGate(call);
    ctx->parsingBlock = 0;
    if (parsed != kGateAccepted) return kGateRejected;
    const char *columns = ctx->addressColumns;
    const char letter = columns[kColLetter];
    const int plcType = LoadRelaxed(ctx->stations[gate->station].plcType);
    const int bitColumn = BitColumn(letter, plcType);
    if (columns[bitColumn] != kBlank || columns[bitColumn + 1] != kBlank) return kGateRejected;
    return gate->blockLength > BlockLimitFor(plcType, letter) ? kGateRejected : kGateAccepted;
}

}  // namespace ordax
