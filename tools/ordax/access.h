// Reading and writing gates on an open channel: parse (command 3 or 4),
// then the data command (5, 6, 7 or 10), for read, write, monitor and demo.
#pragma once

#include <string>
#include <vector>

#include "tools/ordax/commands.h"
#include "tools/ordax/driver.h"

namespace ordax_cli {

// The worse of two host results (2 before 1 before 0).
int Worse(int a, int b);

// Empty when every value is one of `kind`, else what is wrong.
std::string CheckValues(GateKind kind, const std::vector<std::string> &values);

// Parses `address` for `count` values of `kind` and reads it, printing the
// values or the failure and the driver's messages. Returns the host result.
int ReadGate(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
             int count);

// Parses `address` for the values and writes them (7 for one value, 10 for
// several). The values must have passed CheckValues.
int WriteGate(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
              const std::vector<std::string> &values);

// Opens `channel` from its node file in the current directory (command 1).
int OpenForAccess(Channel &channel, MessageLog &log, int timeoutCs);

}  // namespace ordax_cli
