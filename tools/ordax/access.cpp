// ordax read, write and monitor.
#include "tools/ordax/access.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace ordax_cli {

namespace {

constexpr int kValueBytes = 4 * 1100;  // 1000 words or 500 reals, with room
constexpr int kStringCapacity = 100;

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
    gInterrupted = 1;
}

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

// Parses the gate as the host would: command 4 for a block, else 3.
int ParseFor(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
             int count, GateAccess &access) {
    GateRecord gate{};
    gate.addressText = address.c_str();
    gate.gateType = GateTypeOf(kind);
    gate.blockLength = count;
    const int result = count > 1 ? channel.ParseBlock(gate) : channel.ParseGate(gate);
    if (result != PDX_DONE) {
        std::printf("%s: address rejected (result %d)\n", address.c_str(), result);
        PrintMessages(log.Take());
        return result;
    }
    access = GateAccess{};
    access.addressText = address.c_str();
    access.station = gate.station;
    access.fileType = gate.fileType;
    access.packedAddress = gate.packedAddress;
    access.bit = gate.bit;
    access.valueBits = gate.valueBits;
    access.count = count;
    return PDX_DONE;
}

void PrintValues(const std::string &address, GateKind kind, int count, const Values &values) {
    std::printf("%s:", address.c_str());
    if (kind == GateKind::kString) {
        char text[kStringCapacity + 1] = {};
        std::memcpy(text, values.bytes, kStringCapacity);
        std::printf(" \"%s\"\n", text);
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (kind == GateKind::kReal) {
            float v = 0;
            std::memcpy(&v, values.bytes + ValueOffset(kind, count, i), sizeof v);
            std::printf(" %g", static_cast<double>(v));
        } else {
            std::int16_t v = 0;
            std::memcpy(&v, values.bytes + ValueOffset(kind, count, i), sizeof v);
            std::printf(" %d", v);
        }
    }
    std::printf("\n");
}

}  // namespace

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
    GateAccess access{};
    const int parsed = ParseFor(channel, log, address, kind, count, access);
    if (parsed != PDX_DONE) return parsed;
    Values values{};
    access.data = values.bytes;
    const int result = channel.Access(count > 1 ? PDX_READ_BLOCK : PDX_READ_GATE, access);
    const std::vector<DriverMessage> messages = log.Take();
    if (result == PDX_DONE) {
        PrintValues(address, kind, count, values);
    } else {
        std::printf("%s: read failed (result %d)\n", address.c_str(), result);
    }
    PrintMessages(messages);
    return result;
}

int WriteGate(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
              const std::vector<std::string> &values) {
    const int count = static_cast<int>(values.size());
    GateAccess access{};
    const int parsed = ParseFor(channel, log, address, kind, count, access);
    if (parsed != PDX_DONE) return parsed;
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
    access.data = buffer.bytes;
    const int result = channel.Access(count > 1 ? PDX_WRITE_BLOCK : PDX_WRITE_GATE, access);
    std::printf("%s: %s (result %d)\n", address.c_str(),
                result == PDX_DONE ? "written" : "write failed", result);
    PrintMessages(log.Take());
    return result;
}

int Read(const AccessOptions &options) {
    MessageLog log;
    Channel channel(options.channel);
    int result = OpenForAccess(channel, log, options.timeoutCs);
    if (result != PDX_DONE) return result;
    for (const std::string &address : options.addresses) {
        result = Worse(result, ReadGate(channel, log, address, options.kind, options.count));
    }
    channel.Close();
    PrintMessages(log.Take());
    return result;
}

int Write(const AccessOptions &options) {
    MessageLog log;
    Channel channel(options.channel);
    int result = OpenForAccess(channel, log, options.timeoutCs);
    if (result != PDX_DONE) return result;
    result = WriteGate(channel, log, options.addresses.front(), options.kind, options.values);
    channel.Close();
    PrintMessages(log.Take());
    return result;
}

// Reads every gate each interval until Ctrl-C (or SIGTERM); the channel is
// closed before the tool ends. The result is that of the last round.
int Monitor(const AccessOptions &options) {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    MessageLog log;
    Channel channel(options.channel);
    int result = OpenForAccess(channel, log, options.timeoutCs);
    if (result != PDX_DONE) return result;
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    while (gInterrupted == 0) {
        int round = PDX_DONE;
        for (const std::string &address : options.addresses) {
            round = Worse(round, ReadGate(channel, log, address, options.kind, options.count));
        }
        result = round;
        std::fflush(stdout);
        next += std::chrono::milliseconds(options.intervalMs);
        while (gInterrupted == 0 && Clock::now() < next) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    std::printf("interrupted: closing channel %d\n", options.channel);
    channel.Close();
    PrintMessages(log.Take());
    return result;
}

}  // namespace ordax_cli
