// The plcsim program's control interface: one text command per line (stdin).
#pragma once

#include <string>
#include <vector>

#include "tools/plcsim/plcsim.h"

namespace plcsim {

// Text of the `help` command and of --help's control section.
extern const char kControlHelp[];

// Runs one control line against the simulator; appends the answer to `out`. Returns false for
// "quit".
bool RunControl(Simulator &sim, const std::string &line, std::string &out);

// Station handle named by a handle number or an IP address, or -1.
int FindStation(Simulator &sim, const std::string &name);

}  // namespace plcsim
