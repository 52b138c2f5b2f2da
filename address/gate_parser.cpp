// Command 3: checks a gate address against the syntax of its station's
// family and decodes it into the host's gate record.
#include "address/address.h"
#include "address/columns.h"
#include "address/messages.h"
#include "address/parser.h"
#include "address/patterns.h"
#include "core/relaxed.h"

namespace ordax {

bool GateCallRecords(PdxCall *call, DriverContext **ctx, GateRecord **gate) {
    if (call == nullptr || call->driverContext == nullptr || call->args == nullptr) return false;
    *ctx = ContextOf(call->driverContext);
    *gate = static_cast<GateRecord *>(call->args);
    return true;
}

// Fields written before a rejection keep their new values; the station is
// written as soon as a number 0..99 has been read from its columns.
int ParseGate(PdxCall *call) {
    DriverContext *ctx = nullptr;
    GateRecord *gate = nullptr;
    if (!GateCallRecords(call, &ctx, &gate)) return kGateRejected;
    const bool onlyBlanksAfter = FillAddressColumns(ctx, gate->addressText);
    const char *columns = ctx->addressColumns;
    const char letter = columns[kColLetter];
    gate->fileType = static_cast<unsigned char>(letter);
    gate->bit = kNoBit;
    gate->valueBits = kNarrowValueBits;
    if (!ReadStationColumns(columns, &gate->station)) return kGateRejected;
    const FileTypeRow *row = FileTypeOfLetter(letter);
    if (row != nullptr && IsIntegerFileText(row->text)) return ParseStringInNFIle(call);
    // A hot-backup switch on the channel thread may rewrite it meanwhile.
    const int plcType = LoadRelaxed(ctx->stations[gate->station].plcType);
    if (plcType != kPlc5 && plcType != kSlc5) {
        Emit(parsemsg::kUnknownDeviceType);
        return kGateRejected;
    }
    // A letter without a row matches no form.
    if (!onlyBlanksAfter || row == nullptr || !FamilyMatches(plcType, columns)) {
        Emit(parsemsg::kInvalidCharacter);
        return kGateRejected;
    }
    const int subElement = DecodeGateFields(columns, *row, plcType, gate);
    if (ctx->parsingBlock == 1) return kGateAccepted;
    return CheckGateKind(columns, *row, plcType, subElement, gate);
}

}  // namespace ordax
