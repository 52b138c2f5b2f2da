// The gates a read, write or monitor names, as the driver takes them: each
// address (a gate address, or a processor address such as N7:12 for the
// station of --station) with its kind (given, or implied by the address)
// and its number of values.
#pragma once

#include <string>
#include <vector>

#include "tools/ordax/commands.h"

namespace ordax_cli {

struct Gate {
    std::string shown;    // as the user wrote it
    std::string address;  // the gate address the driver parses
    GateKind kind;
    int count;
};

// The families of the node file's stations: true for SLC 5, by station.
struct StationFamilies {
    bool known[100] = {};
    bool slc5[100] = {};
};

// Reads the families from node file text (the driver's rules).
StationFamilies FamiliesOf(const std::string &nodeText);

// Resolves every address of `options` against the stations' families.
// Empty on success, else which address is wrong and why.
std::string ResolveGates(const AccessOptions &options, const StationFamilies &families,
                         std::vector<Gate> *gates);

}  // namespace ordax_cli
