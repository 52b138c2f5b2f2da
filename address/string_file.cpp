// Strings held in integer files: X and Y addresses of string gates, and the
// channel's list of their definitions.
#include <new>

#include "address/columns.h"
#include "address/messages.h"
#include "address/parser.h"
#include "address/patterns.h"

namespace ordax {

// Accepted for any station 0..99, configured or not, of either family.
int ParseStringInNFIle(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateRecord *gate = nullptr;
    if (!GateCallRecords(call, &ctx, &gate)) return kGateRejected;
    if (ctx->parsingBlock == 1) {
        Emit(parsemsg::kStringFileInBlock);
        return kGateRejected;
    }
    if (gate->gateType != PDX_GATE_STRING) {
        Emit(parsemsg::kStringFileNeedsStringGate);
        return kGateRejected;
    }
    const bool onlyBlanksAfter = FillAddressColumns(ctx, gate->addressText);
    const char *columns = ctx->addressColumns;
    gate->fileType = static_cast<unsigned char>(columns[kColLetter]);
    gate->bit = kNoBit;
    gate->valueBits = kNarrowValueBits;
    if (!ReadStationColumns(columns, &gate->station)) return kGateRejected;
    if (!onlyBlanksAfter || !PatternMatches(kAddressPatterns[kPatternIntegerString], columns)) {
        Emit(parsemsg::kInvalidCharacter);
        return kGateRejected;
    }
    gate->packedAddress = PackAddress(ColumnNumberOr0(columns, kColElement, kElementWidth, 10),
                                      ColumnNumberOr0(columns, kColFile, kFileWidth, 10),
                                      ColumnNumberOr0(columns, kColFirstPair, kPairWidth, 10));
    return LinkStringDefinition(ctx, *gate, new (std::nothrow) StringDefinition{});
}

// The records live until the channel is closed or its block opened again
// (ReleaseStringDefinitions).
int LinkStringDefinition(DriverContext *ctx, const GateRecord &gate, StringDefinition *fresh) {
    if (fresh == nullptr) {
        Emit(parsemsg::kNoDefinitionMemory);
        return kGateRejected;
    }
    *fresh = StringDefinition{};
    fresh->gateId = gate.gateId;
    fresh->station = gate.station;
    fresh->fileType = gate.fileType;
    fresh->fileNumber = FileOfPacked(gate.packedAddress);
    fresh->element = ElementOfPacked(gate.packedAddress);
    fresh->length = SubElementOfPacked(gate.packedAddress);
    fresh->next = ctx->stringDefinitions;
    ctx->stringDefinitions = fresh;
    return kGateAccepted;
}

void ReleaseStringDefinitions(DriverContext &ctx) {
    StringDefinition *def = ctx.stringDefinitions;
    ctx.stringDefinitions = nullptr;
    while (def != nullptr) {
        StringDefinition *next = def->next;
        delete def;
        def = next;
    }
}

}  // namespace ordax
