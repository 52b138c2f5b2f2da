// ordax read and write.
#include "tools/ordax/access.h"

#include <cstdio>
#include <string>

#include "host/tamhub_gate.h"
#include "tools/ordax/open_channel.h"
#include "tools/ordax/value_codec.h"

namespace ordax_cli {

namespace {

// Parses the gate as the host would: command 4 for a block, else 3. On a
// rejection `line` says so.
int ParseFor(Channel &channel, const Gate &target, GateRecord &gate, std::string &line) {
    const std::string &address = target.address;
    gate = GateRecord{};
    gate.addressText = address.c_str();
    gate.gateType = GateTypeOf(target.kind);
    gate.blockLength = target.count;
    const int result = target.count > 1 ? channel.ParseBlock(gate) : channel.ParseGate(gate);
    if (result != PDX_DONE) {
        line = target.shown;
        if (target.shown != address) line.append(" (").append(address).append(")");
        line.append(": address rejected (result ").append(std::to_string(result)).append(")");
    }
    return result;
}

}  // namespace

int Worse(int a, int b) {
    return a > b ? a : b;
}

GateRead ReadOnce(Channel &channel, MessageLog &log, const Gate &target) {
    GateRead read{PDX_DONE, {}, {}, {}};
    GateRecord gate{};
    read.result = ParseFor(channel, target, gate, read.line);
    if (read.result == PDX_DONE) {
        Values buffer{};
        GateAccess access = TamHubGateAccess(&gate, target.count, buffer.bytes);
        read.result = channel.Access(target.count > 1 ? PDX_READ_BLOCK : PDX_READ_GATE, access);
        if (read.result == PDX_DONE) {
            read.values = DecodeValues(target.kind, target.count, buffer);
            read.line = ValuesLine(target.shown, target.kind, read.values);
        } else {
            read.line = target.shown + ": read failed (result " + std::to_string(read.result) + ")";
        }
    }
    read.messages = log.Take();
    return read;
}

int WriteValues(Channel &channel, MessageLog &log, const Gate &target,
                const std::vector<std::string> &values) {
    const int count = static_cast<int>(values.size());
    Gate block = target;
    block.count = count;
    GateRecord gate{};
    std::string rejected;
    const int parsed = ParseFor(channel, block, gate, rejected);
    if (parsed != PDX_DONE) {
        std::printf("%s\n", rejected.c_str());
        PrintMessages(log.Take());
        return parsed;
    }
    Values buffer{};
    EncodeValues(target.kind, values, buffer);
    GateAccess access = TamHubGateAccess(&gate, count, buffer.bytes);
    const int result = channel.Access(count > 1 ? PDX_WRITE_BLOCK : PDX_WRITE_GATE, access);
    std::printf("%s: %s (result %d)\n", target.shown.c_str(),
                result == PDX_DONE ? "written" : "write failed", result);
    PrintMessages(log.Take());
    return result;
}

int Read(const AccessOptions &options) {
    return WithResolvedGates(
        options, stdout, [&](Channel &channel, MessageLog &log, const std::vector<Gate> &gates) {
            int result = PDX_DONE;
            for (const Gate &gate : gates) {
                const GateRead read = ReadOnce(channel, log, gate);
                std::printf("%s\n", read.line.c_str());
                PrintMessages(read.messages);
                result = Worse(result, read.result);
            }
            return result;
        });
}

// The values are checked against the gate's kind before the channel opens;
// values of another kind end the tool as wrong arguments do (exit 2).
int Write(const AccessOptions &options) {
    std::vector<Gate> gates;
    std::string wrong = ResolveFor(options, &gates);
    if (wrong.empty()) wrong = CheckValues(gates.front().kind, options.values);
    if (!wrong.empty()) return RefuseArguments(wrong);
    return WithOpenChannel(options, gates, stdout,
                           [&](Channel &channel, MessageLog &log, const std::vector<Gate> &) {
                               return WriteValues(channel, log, gates.front(), options.values);
                           });
}

}  // namespace ordax_cli
