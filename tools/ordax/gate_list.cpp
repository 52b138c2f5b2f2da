// Resolving the addresses of read, write and monitor (see gate_list.h).
#include "tools/ordax/gate_list.h"

#include "tools/ordax/node_text.h"
#include "tools/ordax/plc_address.h"

namespace ordax_cli {

namespace {

// The station of a processor address: --station, or the node file's only
// station; -1 when neither names one.
int StationFor(const AccessOptions &options, const StationFamilies &families) {
    if (options.station >= 0) return options.station;
    int only = -1;
    for (int n = 0; n < 100; ++n) {
        if (!families.known[n]) continue;
        if (only >= 0) return -1;
        only = n;
    }
    return only;
}

// The station columns of a gate address; -1 when they are not two digits.
int StationOfGate(const std::string &address) {
    if (address.size() < 2 || address[0] < '0' || address[0] > '9' || address[1] < '0' ||
        address[1] > '9') {
        return -1;
    }
    return (address[0] - '0') * 10 + (address[1] - '0');
}

std::string ResolveOne(const AccessOptions &options, const StationFamilies &families,
                       const std::string &text, Gate *gate) {
    gate->shown = text;
    gate->count = options.count;
    if (!LooksLikeProcessorAddress(text)) {
        const int station = StationOfGate(text);
        const bool slc5 = station >= 0 && families.slc5[station];
        gate->address = text;
        gate->kind = options.kindGiven ? options.kind : KindOfGateAddress(text, slc5);
        return "";
    }
    const int station = StationFor(options, families);
    if (station < 0) return "a processor address needs --station NN (the node file has several)";
    GateAddress converted{};
    const std::string wrong = ToGateAddress(text, station, families.slc5[station], &converted);
    if (!wrong.empty()) return wrong;
    gate->address = converted.text;
    gate->kind = options.kindGiven ? options.kind : converted.kind;
    if (converted.count > 1) gate->count = converted.count;
    return "";
}

}  // namespace

StationFamilies FamiliesOf(const std::string &nodeText) {
    StationFamilies families;
    for (const auto &[number, setting] : ReadNodeText(nodeText).stations) {
        if (number < 0 || number > 99) continue;
        families.known[number] = true;
        families.slc5[number] = setting.baseFamily == Family::kSlc5;
    }
    return families;
}

std::string ResolveGates(const AccessOptions &options, const StationFamilies &families,
                         std::vector<Gate> *gates) {
    gates->clear();
    for (const std::string &text : options.addresses) {
        Gate gate{};
        const std::string wrong = ResolveOne(options, families, text, &gate);
        if (!wrong.empty()) return text + ": " + wrong;
        gates->push_back(gate);
    }
    return "";
}

}  // namespace ordax_cli
