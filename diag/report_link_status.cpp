// ReportLinkStatus: the one place where link results, STS and EXT STS become
// operator messages and host results.
#include "diag/report.h"

#include <cstdint>

#include "core/results.h"
#include "diag/emit.h"
#include "diag/status_tables.h"

namespace ordax {

namespace {

using diag::ReportKind;
using diag::StsClass;

// The report kind of a non-zero link result.
ReportKind KindOfLinkResult(unsigned linkResult) {
    switch (linkResult) {
        case kLinkBadFileType:
        case kLinkBadPlcType:
        case kLinkBadFunction:
            return ReportKind::kParseError;
        case kLinkTimeout:
            return ReportKind::kTimeout;
        case kLinkNotOpen:
            return ReportKind::kNotOpen;
        case kLinkNotConnected:
            return ReportKind::kNotConnected;
        default:
            return ReportKind::kUnknownLink;
    }
}

// The report kind and explanation of a non-zero STS.
ReportKind KindOfSts(std::uint8_t sts, std::uint8_t extSts, const diag::Explanation **why) {
    switch (diag::ClassifySts(sts)) {
        case StsClass::kLocal:
            *why = &diag::LocalExplanation(sts);
            return ReportKind::kLocalSts;
        case StsClass::kRemote:
            *why = &diag::RemoteExplanation(sts);
            return ReportKind::kRemoteSts;
        case StsClass::kExtended:
            *why = &diag::ExtendedExplanation(extSts);
            return ReportKind::kExtendedSts;
        case StsClass::kSuccess:
        case StsClass::kPacket:
            break;
    }
    *why = &diag::PacketExplanation();
    return ReportKind::kPacketSts;
}

}  // namespace

int ReportLinkStatus(int linkResult, const Transaction &txn, const char *operation,
                     const GateAccess *gate) {
    const unsigned result = static_cast<unsigned>(linkResult);
    if (result == kLinkOk && txn.sts == 0) return PDX_DONE;

    // Null texts print as empty texts rather than reaching the formatter.
    const char *op = operation != nullptr ? operation : "";
    const char *gateText = nullptr;
    if (gate != nullptr) gateText = gate->addressText != nullptr ? gate->addressText : "";

    if (result != kLinkOk) {
        const diag::ReportForm &form = diag::FormOf(KindOfLinkResult(result));
        diag::EmitFirstLine(form, op, gateText, result);
        return form.result;
    }

    const diag::Explanation *why = nullptr;
    const diag::ReportForm &form = diag::FormOf(KindOfSts(txn.sts, txn.extSts, &why));
    diag::EmitFirstLine(form, op, gateText, txn.sts);
    diag::EmitExplanation(form.prefix, *why);
    return form.result;
}

}  // namespace ordax
