// Message tables of status reporting.
#include "diag/status_tables.h"

#include <cstddef>
#include <iterator>

#include "core/codes.h"
#include "core/format_check.h"
#include "core/message.h"
#include "ordax.h"

namespace ordax::diag {

const char kLocalPrefix[] = "Ordax :\t";
const char kPeerPrefix[] = "Ordax : \t";

namespace {

constexpr const char *kNotUsed = "not used";
constexpr const char *kTechSupport = "should not occur, contact tech-support";
constexpr const char *kCheckPlc = "check PLC/SLC";
constexpr const char *kCheckType = "check that valid PLC/SLC type is specified for Node";
constexpr const char *kPastEnd = "attempt to read/write past end of file";
constexpr const char *kCheckHardware = "check PLC/SLC hardware";
constexpr const char *kProgramMode = "PLC/SLC in program mode?";

constexpr Explanation kUnused{kNotUsed, kTechSupport};
constexpr Explanation kPacket{"not defined", kTechSupport};

// STS 0x01..0x08, indexed by sts - 1.
constexpr Explanation kLocalTable[] = {
    kUnused,
    kUnused,
    kUnused,
    kUnused,
    {"application layer timed out waiting for a response", "PLC/SLC too busy?"},
    kUnused,
    {"station is off-line", kCheckPlc},
    {"hardware fault", kCheckPlc},
};

// STS 0x10..0xE0, indexed by (sts >> 4) - 1.
constexpr Explanation kRemoteTable[] = {
    {"illegal command or format", kCheckType},
    {"host has a problem and will not communicate", kCheckPlc},
    {"remote node host is missing, disconnected, or shut down", kCheckPlc},
    {"illegal command or format", kCheckType},
    {"addressing problem or memory protect rungs", kCheckPlc},
    {"function disallowed due to command protection selection", kCheckPlc},
    {"processor is in program mode", kCheckPlc},
    {"compatibility mode file missing or communication zone problem", "check PLC"},
    {"remote node cannot buffer command",
     "PLC/SLC too busy, cannot handle all devices communicating with it"},
    kUnused,
    {"remote node problem due to download", "cannot access PLC/SLC while ladder is up/down loaded"},
    {"cannot execute command due to active IPBs", "check PLC/SLC ladder logic"},
    kUnused,
    kUnused,
};

// EXT STS 0x00..0x1B, indexed by extSts; every later code is unused.
constexpr Explanation kExtendedTable[] = {
    kUnused,
    {"a field has an illegal value", kCheckType},
    {"less levels specified in address than minimum for any address", kCheckType},
    {"more level specified in address than system supports", kCheckType},
    {"symbol not found", "valid address? symbol exist in PLC/SLC"},
    {"symbol is of inproper format", kTechSupport},
    {"address doesn't point to something usable", "valid address? does data exist in PLC?"},
    {"file is wrong size", kPastEnd},
    {"cannot complete request, situation has changed since the start of the command",
     "allow PLC to recover and retry"},
    {"data or file is too large", kPastEnd},
    {"transaction size plus word address is too large", kCheckType},
    {"access denied, improper privlege", kTechSupport},
    {"condition cannot be generated - resource is not available", kTechSupport},
    {"condition already exists - resource is already available", kTechSupport},
    {"command cannot be executed", kCheckType},
    {"histogram overflow", kTechSupport},
    {"no access", kCheckPlc},
    {"illegal data type", kCheckType},
    {"invalid parameter or invalid data", kCheckType},
    {"address reference exists to deleted area", "check address in PLC/SLC"},
    {"command execution failure for unknow reason; possible PLC-3 histogram overflow",
     kTechSupport},
    {"data conversion error", kTechSupport},
    {"scanner not able to communicate with 1771 rack adapter", kCheckHardware},
    {"adapter cannot communicate with module", kCheckHardware},
    {"1771 module response was not valid", kCheckHardware},
    {"duplicated label", kTechSupport},
    {"file is open; another node owns it", kProgramMode},
    {"another node is the program owner", kProgramMode},
};

static_assert(std::size(kLocalTable) == 8);
static_assert(std::size(kRemoteTable) == 14);
static_assert(std::size(kExtendedTable) == 0x1C);

// Indexed by ReportKind.
constexpr ReportForm kForms[] = {
    {"Ordax : %s, Gate Address: %s, Parseing Error", "Ordax : %s, Parseing Error", true, false,
     kLevelError, PDX_REQUEST_ERROR, nullptr},
    {"Ordax : %s, Gate Address: %s, Communications Time-out", "Ordax : %s, Communications Time-out",
     true, false, kLevelError, PDX_LINK_ERROR, nullptr},
    {"Ordax: %s, Channel not Open", "Ordax: %s, Channel not Open", false, false, kLevelError,
     PDX_LINK_ERROR, nullptr},
    {"Ordax : %s Station not connected", "Ordax : %s Station not connected", false, false,
     kLevelError, PDX_LINK_ERROR, nullptr},
    {"Ordax : %s, Gate Address: %s, Unknown Return Code from driver: 0x%02X",
     "Ordax : %s, Unknown Return Code from driver: 0x%02X", true, true, kLevelError, PDX_LINK_ERROR,
     nullptr},
    {"Ordax : %s, Gate Address: %s, Local Sts Error: 0x%02X", "Ordax : %s, Local Sts Error: 0x%02X",
     true, true, kLevelError, PDX_LINK_ERROR, kLocalPrefix},
    {"Ordax : %s, Gate Address: %s, Remote Sts Error: 0x%02X",
     "Ordax : %s, Remote Sts Error: 0x%02X", true, true, kLevelError, PDX_REQUEST_ERROR,
     kPeerPrefix},
    {"Ordax : %s, Gate Address: %s, Ext Status Error: 0x%02X",
     "Ordax : %s, Ext Status Error: 0x%02X", true, true, kLevelError, PDX_REQUEST_ERROR,
     kPeerPrefix},
    {"Ordax : %s, Gate Address: %s, Packet Status Error: 0x%02X",
     "Ordax : %s, Packet Status Error: 0x%02X", true, true, kLevelDetail, PDX_REQUEST_ERROR,
     kPeerPrefix},
};

static_assert(std::size(kForms) == static_cast<std::size_t>(ReportKind::kPacketSts) + 1);

// Every form takes the arguments the reporting code passes for it: the
// operation, the gate's address text when namesGate (long form only), and the
// code when printsCode.
constexpr bool FormsMatchArguments() {
    for (const ReportForm &form : kForms) {
        const char *longShape =
            form.namesGate ? (form.printsCode ? "ssX" : "ss") : (form.printsCode ? "sX" : "s");
        const char *shortShape = form.printsCode ? "sX" : "s";
        if (!HasConversions(form.longForm, longShape)) return false;
        if (!HasConversions(form.shortForm, shortShape)) return false;
    }
    return true;
}
static_assert(FormsMatchArguments(), "a first-line format does not match its arguments");

}  // namespace

StsClass ClassifySts(std::uint8_t sts) {
    if (sts == 0x00) return StsClass::kSuccess;
    if (sts <= 0x08) return StsClass::kLocal;
    if (sts == kStsExtended) return StsClass::kExtended;
    if ((sts & 0x0F) == 0 && sts <= 0xE0) return StsClass::kRemote;
    return StsClass::kPacket;
}

const Explanation &LocalExplanation(std::uint8_t sts) {
    if (ClassifySts(sts) != StsClass::kLocal) return kPacket;
    return kLocalTable[sts - 1];
}

const Explanation &RemoteExplanation(std::uint8_t sts) {
    if (ClassifySts(sts) != StsClass::kRemote) return kPacket;
    return kRemoteTable[(sts >> 4) - 1];
}

const Explanation &ExtendedExplanation(std::uint8_t extSts) {
    if (extSts >= std::size(kExtendedTable)) return kUnused;
    return kExtendedTable[extSts];
}

const Explanation &PacketExplanation() {
    return kPacket;
}

const ReportForm &FormOf(ReportKind kind) {
    return kForms[static_cast<std::size_t>(kind)];
}

}  // namespace ordax::diag
