// Command 4: a block gate runs the gate parser in block mode, must not name
// a bit, and may not be longer than its family's limit for the file type.
#include <initializer_list>

#include "address/address.h"
#include "address/columns.h"
#include "address/parser.h"
#include "core/relaxed.h"

namespace ordax {

namespace {

constexpr char kBlank = ' ';

// The longest block of every file type fits one request.
constexpr bool BlockLimitsFit() {
    for (const FileTypeRow &row : kFileTypes) {
        const std::int32_t wordsPerValue = row.HasWideValues() ? 2 : 1;
        for (const FamilyLayout &f : {row.plc5, row.slc5}) {
            if (f.blockLimit * wordsPerValue > kDataWords) return false;
        }
    }
    return true;
}

static_assert(BlockLimitsFit(), "a file type's block limit exceeds the words of one request");

}  // namespace

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
    const int plcType = LoadRelaxed(ctx->stations[gate->station].plcType);
    const FamilyLayout layout = LayoutOf(columns[kColLetter], plcType);
    const int bitColumn = BitColumn(layout);
    if (columns[bitColumn] != kBlank || columns[bitColumn + 1] != kBlank) return kGateRejected;
    return gate->blockLength > layout.blockLimit ? kGateRejected : kGateAccepted;
}

}  // namespace ordax
