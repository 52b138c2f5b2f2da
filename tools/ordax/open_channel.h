// The channel of a read, write or monitor: the gates of its addresses, and
// the channel opened from its node file (OrdaxNN.int, or the one station of
// --ip) for the command's work, then closed.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/ordax/commands.h"
#include "tools/ordax/driver.h"
#include "tools/ordax/gate_list.h"

namespace ordax_cli {

// The gates of the options' addresses, against the families of the node
// file's stations. Empty, or what is wrong.
std::string ResolveFor(const AccessOptions &options, std::vector<Gate> *gates);

// Ends a command whose arguments turned out wrong: "ordax: <wrong>" on
// stderr, and 2 as the result.
int RefuseArguments(const std::string &wrong);

// Opens the channel, runs `body` on it with `gates` and closes it. The
// open's and close's messages and lines go to `status`. The result is the
// open's when it failed, else the body's.
using GateBody = std::function<int(Channel &, MessageLog &, const std::vector<Gate> &)>;
int WithOpenChannel(const AccessOptions &options, const std::vector<Gate> &gates, std::FILE *status,
                    const GateBody &body);

// ResolveFor, then WithOpenChannel; addresses that cannot be resolved are
// refused before the channel opens.
int WithResolvedGates(const AccessOptions &options, std::FILE *status, const GateBody &body);

}  // namespace ordax_cli
