// The gate kinds as the host names them to the driver and to the user.
#include "ordax.h"
#include "tools/ordax/commands.h"

namespace ordax_cli {

std::int32_t GateTypeOf(GateKind kind) {
    switch (kind) {
        case GateKind::kReal:
            return PDX_GATE_REAL;
        case GateKind::kDigital:
            return PDX_GATE_DIGITAL;
        case GateKind::kString:
            return PDX_GATE_STRING;
        case GateKind::kWord:
            break;
    }
    return 0;  // any other value is a word gate
}

const char *KindName(GateKind kind) {
    switch (kind) {
        case GateKind::kReal:
            return "real";
        case GateKind::kDigital:
            return "digital";
        case GateKind::kString:
            return "string";
        case GateKind::kWord:
            break;
    }
    return "word";
}

}  // namespace ordax_cli
