// Reading and writing gates on an open channel: parse (command 3 or 4),
// then the data command (5, 6, 7 or 10), for read, write, monitor, probe and
// demo.
#pragma once

#include <string>
#include <vector>

#include "tools/ordax/commands.h"
#include "tools/ordax/driver.h"
#include "tools/ordax/gate_list.h"

namespace ordax_cli {

// The worse of two host results (2 before 1 before 0).
int Worse(int a, int b);

// One read of one gate: the host result, the values read (numbers, or the
// string's text), the line that shows them or the failure, and the
// driver's messages.
struct GateRead {
    int result;
    std::string line;
    std::vector<std::string> values;
    std::vector<DriverMessage> messages;
};

GateRead ReadOnce(Channel &channel, MessageLog &log, const Gate &gate);

// Parses the gate for the values and writes them (7 for one value, 10 for
// several), printing the outcome and the driver's messages. The values must
// have passed CheckValues.
int WriteValues(Channel &channel, MessageLog &log, const Gate &gate,
                const std::vector<std::string> &values);

}  // namespace ordax_cli
