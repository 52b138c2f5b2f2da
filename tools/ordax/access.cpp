// ordax read, write and monitor.
#include "tools/ordax/access.h"

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "host/tamhub_gate.h"
#include "tools/ordax/gate_list.h"

namespace ordax_cli {

namespace {

constexpr int kValueBytes = 4 * 1100;  // 1000 words or 500 reals, with room
constexpr int kStringCapacity = 100;

// The host's value buffer: a single 16-bit value (and the 0 or 1 of a bit)
// sits in bytes 2 and 3 of a 4-byte cell, a real fills the cell; blocks are
// values packed one after another (16-bit words, or 4-byte reals); a string
// is NUL-terminated text.
struct Values {
    alignas(8) unsigned char bytes[kValueBytes];
};

constexpr std::size_t kCellWordOffset = 2;

// Where value `i` of `count` values of this kind sits in the buffer.
std::size_t ValueOffset(GateKind kind, int count, int i) {
    const auto n = static_cast<std::size_t>(i);
    if (kind == GateKind::kReal) return 4 * n;
    return count == 1 ? kCellWordOffset : 2 * n;
}

bool ParseLong(const std::string &text, long &value) {
    if (text.empty()) return false;
    char *end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return *end == '\0';
}

bool ParseFloat(const std::string &text, float &value) {
    if (text.empty()) return false;
    char *end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return *end == '\0';
}

// Parses the gate as the host would: command 4 for a block, else 3. On a
// rejection `line` says so.
int ParseFor(Channel &channel, const Gate &target, GateRecord &gate, std::string &line) {
    const std::string &address = target.address;
    const GateKind kind = target.kind;
    const int count = target.count;
    gate = GateRecord{};
    gate.addressText = address.c_str();
    gate.gateType = GateTypeOf(kind);
    gate.blockLength = count;
    const int result = count > 1 ? channel.ParseBlock(gate) : channel.ParseGate(gate);
    if (result != PDX_DONE) {
        line = target.shown;
        if (target.shown != address) line.append(" (").append(address).append(")");
        line.append(": address rejected (result ").append(std::to_string(result)).append(")");
    }
    return result;
}

// The values read, each as text: numbers, or the string's characters.
std::vector<std::string> ValueTexts(GateKind kind, int count, const Values &values) {
    if (kind == GateKind::kString) {
        char text[kStringCapacity + 1] = {};
        std::memcpy(text, values.bytes, kStringCapacity);
        return {text};
    }
    std::vector<std::string> out;
    char number[32];
    for (int i = 0; i < count; ++i) {
        if (kind == GateKind::kReal) {
            float v = 0;
            std::memcpy(&v, values.bytes + ValueOffset(kind, count, i), sizeof v);
            std::snprintf(number, sizeof number, "%g", static_cast<double>(v));
        } else {
            std::int16_t v = 0;
            std::memcpy(&v, values.bytes + ValueOffset(kind, count, i), sizeof v);
            std::snprintf(number, sizeof number, "%d", v);
        }
        out.push_back(number);
    }
    return out;
}

std::string ValuesLine(const std::string &shown, GateKind kind,
                       const std::vector<std::string> &values) {
    std::string line = shown + ":";
    for (const std::string &v : values) {
        line += kind == GateKind::kString ? " \"" + v + "\"" : " " + v;
    }
    return line;
}

}  // namespace

GateRead ReadOnce(Channel &channel, MessageLog &log, const Gate &target) {
    GateRead read{PDX_DONE, {}, {}, {}};
    GateRecord gate{};
    read.result = ParseFor(channel, target, gate, read.line);
    if (read.result == PDX_DONE) {
        Values buffer{};
        GateAccess access = TamHubGateAccess(&gate, target.count, buffer.bytes);
        read.result = channel.Access(target.count > 1 ? PDX_READ_BLOCK : PDX_READ_GATE, access);
        if (read.result == PDX_DONE) {
            read.values = ValueTexts(target.kind, target.count, buffer);
            read.line = ValuesLine(target.shown, target.kind, read.values);
        } else {
            read.line = target.shown + ": read failed (result " + std::to_string(read.result) + ")";
        }
    }
    read.messages = log.Take();
    return read;
}

void PrintMessagesTo(std::FILE *out, const std::vector<DriverMessage> &messages) {
    for (const DriverMessage &m : messages) {
        std::fprintf(out, "driver: [%d] %s\n", m.level, m.text.c_str());
    }
}

namespace {

// The node file's text: the scratch one of --ip, or OrdaxNN.int of the
// current directory ("" when it cannot be read; the open names that).
std::string NodeText(const AccessOptions &options) {
    if (!options.ip.empty()) {
        char line[96];
        std::snprintf(line, sizeof line, "%02d=%s-%s\n", options.station < 0 ? 1 : options.station,
                      options.ip.c_str(), options.ipSlc5 ? "SLC5" : "PLC5");
        return line;
    }
    std::ifstream in(NodeFileName(options.channel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string ResolveFor(const AccessOptions &options, std::vector<Gate> *gates) {
    AccessOptions resolved = options;
    if (!options.ip.empty() && options.station < 0) resolved.station = 1;
    return ResolveGates(resolved, FamiliesOf(NodeText(options)), gates);
}

int OnChannel(const AccessOptions &options, std::FILE *status, const GateBody &body) {
    const std::string nodeText = NodeText(options);
    std::vector<Gate> gates;
    const std::string wrong = ResolveFor(options, &gates);
    if (!wrong.empty()) {
        std::fprintf(stderr, "ordax: %s\n", wrong.c_str());
        return PDX_LINK_ERROR;
    }
    MessageLog log;
    Channel channel(options.channel);
    int result = PDX_LINK_ERROR;
    {
        ScratchDir scratch;  // --ip: the node file of its one station
        std::unique_ptr<InDirectory> inScratch;
        if (!options.ip.empty()) {
            std::ofstream(scratch.path() / NodeFileName(options.channel), std::ios::binary)
                << nodeText;
            inScratch = std::make_unique<InDirectory>(scratch.path());
        }
        result = channel.Open(true, options.timeoutCs);
    }
    PrintMessagesTo(status, log.Take());
    if (result != PDX_DONE) {
        std::fprintf(status, "the channel did not open (result %d)\n", result);
        return result;
    }
    result = body(channel, log, gates);
    const int closed = channel.Close();
    PrintMessagesTo(status, log.Take());
    std::fprintf(status, "channel %d closed (result %d)\n", options.channel, closed);
    return result;
}

int Worse(int a, int b) {
    return a > b ? a : b;
}

std::string CheckValues(GateKind kind, const std::vector<std::string> &values) {
    if (kind == GateKind::kString && values.size() != 1) return "a string gate takes one text";
    for (const std::string &text : values) {
        long l = 0;
        float f = 0;
        switch (kind) {
            case GateKind::kWord:
                if (!ParseLong(text, l) || l < -32768 || l > 65535) {
                    return "'" + text + "' is not a 16-bit integer";
                }
                break;
            case GateKind::kDigital:
                if (!ParseLong(text, l) || (l != 0 && l != 1))
                    return "'" + text + "' is not 0 or 1";
                break;
            case GateKind::kReal:
                if (!ParseFloat(text, f)) return "'" + text + "' is not a number";
                break;
            case GateKind::kString:
                if (text.size() > kStringCapacity - 1)
                    return "the text is longer than 99 characters";
                break;
        }
    }
    return {};
}

int OpenForAccess(Channel &channel, MessageLog &log, int timeoutCs) {
    const int result = channel.Open(true, timeoutCs);
    PrintMessages(log.Take());
    if (result != PDX_DONE) std::printf("the channel did not open (result %d)\n", result);
    return result;
}

int ReadGate(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
             int count) {
    const GateRead read = ReadOnce(channel, log, Gate{address, address, kind, count});
    std::printf("%s\n", read.line.c_str());
    PrintMessages(read.messages);
    return read.result;
}

int WriteGate(Channel &channel, MessageLog &log, const Gate &target,
              const std::vector<std::string> &values) {
    const GateKind kind = target.kind;
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
    for (int i = 0; i < count; ++i) {
        const std::string &text = values[static_cast<std::size_t>(i)];
        if (kind == GateKind::kString) {
            std::memcpy(buffer.bytes, text.c_str(), text.size() + 1);
        } else if (kind == GateKind::kReal) {
            const float v = std::strtof(text.c_str(), nullptr);
            std::memcpy(buffer.bytes + ValueOffset(kind, count, i), &v, sizeof v);
        } else {
            const auto v = static_cast<std::uint16_t>(std::strtol(text.c_str(), nullptr, 0));
            std::memcpy(buffer.bytes + ValueOffset(kind, count, i), &v, sizeof v);
        }
    }
    GateAccess access = TamHubGateAccess(&gate, count, buffer.bytes);
    const int result = channel.Access(count > 1 ? PDX_WRITE_BLOCK : PDX_WRITE_GATE, access);
    std::printf("%s: %s (result %d)\n", target.shown.c_str(),
                result == PDX_DONE ? "written" : "write failed", result);
    PrintMessages(log.Take());
    return result;
}

int WriteGate(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
              const std::vector<std::string> &values) {
    return WriteGate(channel, log, Gate{address, address, kind, 1}, values);
}

int Read(const AccessOptions &options) {
    return OnChannel(options, stdout,
                     [&](Channel &channel, MessageLog &log, const std::vector<Gate> &gates) {
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
    if (!wrong.empty()) {
        std::fprintf(stderr, "ordax: %s\n", wrong.c_str());
        return PDX_LINK_ERROR;
    }
    return OnChannel(options, stdout,
                     [&](Channel &channel, MessageLog &log, const std::vector<Gate> &resolved) {
                         return WriteGate(channel, log, resolved.front(), options.values);
                     });
}

}  // namespace ordax_cli
