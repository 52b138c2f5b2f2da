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
#include <string>
#include <thread>

#include "host/tamhub_gate.h"

namespace ordax_cli {

namespace {

constexpr int kValueBytes = 4 * 1100;  // 1000 words or 500 reals, with room
constexpr int kStringCapacity = 100;

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
    gInterrupted = 1;
}

// "HH:MM:SS.mmm", local time.
std::string TimeOfDay() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms));
    return text;
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

// Parses the gate as the host would: command 4 for a block, else 3. On a
// rejection `line` says so.
int ParseFor(Channel &channel, const std::string &address, GateKind kind, int count,
             GateRecord &gate, std::string &line) {
    gate = GateRecord{};
    gate.addressText = address.c_str();
    gate.gateType = GateTypeOf(kind);
    gate.blockLength = count;
    const int result = count > 1 ? channel.ParseBlock(gate) : channel.ParseGate(gate);
    if (result != PDX_DONE)
        line = address + ": address rejected (result " + std::to_string(result) + ")";
    return result;
}

std::string FormatValues(const std::string &address, GateKind kind, int count,
                         const Values &values) {
    std::string line = address + ":";
    char number[32];
    if (kind == GateKind::kString) {
        char text[kStringCapacity + 1] = {};
        std::memcpy(text, values.bytes, kStringCapacity);
        return line + " \"" + text + "\"";
    }
    for (int i = 0; i < count; ++i) {
        if (kind == GateKind::kReal) {
            float v = 0;
            std::memcpy(&v, values.bytes + ValueOffset(kind, count, i), sizeof v);
            std::snprintf(number, sizeof number, " %g", static_cast<double>(v));
        } else {
            std::int16_t v = 0;
            std::memcpy(&v, values.bytes + ValueOffset(kind, count, i), sizeof v);
            std::snprintf(number, sizeof number, " %d", v);
        }
        line += number;
    }
    return line;
}

// One read of one gate: the host result, the line that shows the values or
// the failure, and the driver's messages.
struct GateRead {
    int result;
    std::string line;
    std::vector<DriverMessage> messages;
};

GateRead ReadOnce(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
                  int count) {
    GateRead read{PDX_DONE, {}, {}};
    GateRecord gate{};
    read.result = ParseFor(channel, address, kind, count, gate, read.line);
    if (read.result == PDX_DONE) {
        Values values{};
        GateAccess access = TamHubGateAccess(&gate, count, values.bytes);
        read.result = channel.Access(count > 1 ? PDX_READ_BLOCK : PDX_READ_GATE, access);
        read.line = read.result == PDX_DONE
                        ? FormatValues(address, kind, count, values)
                        : address + ": read failed (result " + std::to_string(read.result) + ")";
    }
    read.messages = log.Take();
    return read;
}

// Opens the channel, runs `body` on it and closes it again; the result is
// the open's when it failed, else the body's.
template <typename Body>
int OnChannel(const AccessOptions &options, Body body) {
    MessageLog log;
    Channel channel(options.channel);
    int result = OpenForAccess(channel, log, options.timeoutCs);
    if (result != PDX_DONE) return result;
    result = body(channel, log);
    const int closed = channel.Close();
    PrintMessages(log.Take());
    std::printf("channel %d closed (result %d)\n", options.channel, closed);
    return result;
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
    const GateRead read = ReadOnce(channel, log, address, kind, count);
    std::printf("%s\n", read.line.c_str());
    PrintMessages(read.messages);
    return read.result;
}

int WriteGate(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
              const std::vector<std::string> &values) {
    const int count = static_cast<int>(values.size());
    GateRecord gate{};
    std::string rejected;
    const int parsed = ParseFor(channel, address, kind, count, gate, rejected);
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
    std::printf("%s: %s (result %d)\n", address.c_str(),
                result == PDX_DONE ? "written" : "write failed", result);
    PrintMessages(log.Take());
    return result;
}

int Read(const AccessOptions &options) {
    return OnChannel(options, [&](Channel &channel, MessageLog &log) {
        int result = PDX_DONE;
        for (const std::string &address : options.addresses) {
            result = Worse(result, ReadGate(channel, log, address, options.kind, options.count));
        }
        return result;
    });
}

int Write(const AccessOptions &options) {
    return OnChannel(options, [&](Channel &channel, MessageLog &log) {
        return WriteGate(channel, log, options.addresses.front(), options.kind, options.values);
    });
}

// Reads every gate each interval until Ctrl-C (or SIGTERM), one line per
// round with the time and every gate's values; the driver's messages follow
// the line. On a terminal the line is rewritten in place while the driver
// has nothing to say. The channel is closed before the tool ends; the
// result is that of the last round.
int Monitor(const AccessOptions &options) {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    return OnChannel(options, [&](Channel &channel, MessageLog &log) {
        int result = PDX_DONE;
        bool lineOpen = false;  // a terminal line waiting to be rewritten
        using Clock = std::chrono::steady_clock;
        auto next = Clock::now();
        while (gInterrupted == 0) {
            std::string line = TimeOfDay();
            std::vector<DriverMessage> messages;
            int round = PDX_DONE;
            for (const std::string &address : options.addresses) {
                GateRead read = ReadOnce(channel, log, address, options.kind, options.count);
                round = Worse(round, read.result);
                line += "  " + read.line;
                messages.insert(messages.end(), read.messages.begin(), read.messages.end());
            }
            result = round;
            if (terminal) std::printf("\r\033[K");
            std::printf("%s", line.c_str());
            lineOpen = terminal && messages.empty();
            if (!lineOpen) std::printf("\n");
            PrintMessages(messages);
            std::fflush(stdout);
            // A round that overran its interval (a station timing out) is
            // followed by the next at once, not by rounds to catch up.
            next = std::max(next + std::chrono::milliseconds(options.intervalMs), Clock::now());
            while (gInterrupted == 0 && Clock::now() < next) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        std::printf("%sinterrupted: closing channel %d\n", lineOpen ? "\n" : "", options.channel);
        return result;
    });
}

}  // namespace ordax_cli
