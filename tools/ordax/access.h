// Reading and writing gates on an open channel: parse (command 3 or 4),
// then the data command (5, 6, 7 or 10), for read, write, monitor and demo.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/ordax/commands.h"
#include "tools/ordax/driver.h"
#include "tools/ordax/gate_list.h"

namespace ordax_cli {

// The worse of two host results (2 before 1 before 0).
int Worse(int a, int b);

// Empty when every value is one of `kind`, else what is wrong.
std::string CheckValues(GateKind kind, const std::vector<std::string> &values);

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

// Writes each message as "driver: [level] text" to `out`.
void PrintMessagesTo(std::FILE *out, const std::vector<DriverMessage> &messages);

// Parses `address` for `count` values of `kind` and reads it, printing the
// values or the failure and the driver's messages. Returns the host result.
int ReadGate(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
             int count);

// Parses the gate for the values and writes them (7 for one value, 10 for
// several). The values must have passed CheckValues.
int WriteGate(Channel &channel, MessageLog &log, const Gate &gate,
              const std::vector<std::string> &values);
int WriteGate(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
              const std::vector<std::string> &values);

// Opens `channel` from its node file in the current directory (command 1).
int OpenForAccess(Channel &channel, MessageLog &log, int timeoutCs);

// The gates of the options' addresses, against the families of the node
// file (OrdaxNN.int, or the one station of --ip). Empty, or what is wrong.
std::string ResolveFor(const AccessOptions &options, std::vector<Gate> *gates);

// Resolves the addresses, opens the channel (from OrdaxNN.int, or a scratch
// node file of the one station of --ip), runs `body` on it and closes it.
// The open's and close's messages and lines go to `status`. The result is
// the open's when it failed, else the body's; addresses that cannot be
// resolved end with a line on stderr and 2.
using GateBody = std::function<int(Channel &, MessageLog &, const std::vector<Gate> &)>;
int OnChannel(const AccessOptions &options, std::FILE *status, const GateBody &body);

}  // namespace ordax_cli
