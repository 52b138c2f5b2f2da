// ordax probe HOST: is a processor there, which family is it, is it the
// master of a hot-backup pair, and how long does a one-word read take. No
// node file: the tool writes one on a scratch channel whose station 01 is
// the host as a PLC-5 and station 02 the same host as an SLC 5, and asks
// everything through PdxMain, so the driver's own link code does the work.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/ordax/access.h"
#include "tools/ordax/commands.h"
#include "tools/ordax/driver.h"

namespace ordax_cli {

namespace {

constexpr int kProbeChannel = 1;
constexpr char kConnected[] = "Ordax : Connected to ";

// The reads that tell the family: a PLC-5 word-range read through station
// 01 and an SLC typed read through station 02, of N7:0 or else of the
// status file's first word.
struct FamilyRead {
    const char *family;
    const char *command;
    const char *gates[2];
};

constexpr FamilyRead kFamilyReads[] = {
    {"SLC 5", "typed read", {"02N007000", "02S002000"}},
    {"PLC-5", "word-range read", {"01N007000", "01S002000"}},
};

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

bool Connected(const std::vector<DriverMessage> &messages) {
    for (const DriverMessage &m : messages) {
        if (m.text.rfind(kConnected, 0) == 0) return true;
    }
    return false;
}

// "N7:0" or "S2:0" for the gate of a family read.
const char *Shown(const std::string &gate) {
    return gate[2] == 'N' ? "N7:0" : "S2:0";
}

// The first message of a failed read: the driver's reason.
std::string Reason(const GateRead &read) {
    return read.messages.empty() ? "no answer" : read.messages.front().text;
}

// Which family answers, and the gate it answered on ("" when neither did).
std::string FindFamily(Channel &channel, MessageLog &log, std::string *gate) {
    for (const FamilyRead &f : kFamilyReads) {
        std::string refusal;
        for (const char *address : f.gates) {
            const GateRead read =
                ReadOnce(channel, log, Gate{address, address, GateKind::kWord, 1});
            if (read.result == PDX_DONE) {
                *gate = address;
                std::printf("family        %s (answers the %s of %s)\n", f.family, f.command,
                            Shown(address));
                return f.family;
            }
            if (refusal.empty()) refusal = Reason(read);
        }
        std::printf("              no %s: %s\n", f.command, refusal.c_str());
    }
    return "";
}

// N31:0 bit 0 is the hot-backup pair's master flag.
void ReadMasterFlag(Channel &channel, MessageLog &log, const std::string &station) {
    const std::string address = station + "N031000";
    const GateRead read = ReadOnce(channel, log, Gate{address, address, GateKind::kWord, 1});
    if (read.result != PDX_DONE) {
        std::printf("hot backup    no N31:0 (%s): not a hot-backup pair\n", Reason(read).c_str());
        return;
    }
    const bool master = (std::stoi(read.values.front()) & 1) != 0;
    std::printf("hot backup    N31:0/0 = %d: %s\n", master ? 1 : 0,
                master ? "master of its pair" : "not master (a standby, or not in a pair)");
}

// `count` reads of the gate: min, median and max of PdxMain's time.
void MeasureRoundTrip(Channel &channel, MessageLog &log, const std::string &gate, int count) {
    std::vector<double> times;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        const Clock::time_point t0 = Clock::now();
        const GateRead read = ReadOnce(channel, log, Gate{gate, gate, GateKind::kWord, 1});
        if (read.result == PDX_DONE) {
            times.push_back(MsSince(t0));
        } else {
            ++failed;
        }
    }
    if (times.empty()) {
        std::printf("round trip    every one of %d reads failed\n", count);
        return;
    }
    std::sort(times.begin(), times.end());
    std::printf("round trip    %s x%zu: min %.2f ms, median %.2f ms, max %.2f ms", Shown(gate),
                times.size(), times.front(), times[times.size() / 2], times.back());
    if (failed > 0) std::printf(" (%d failed)", failed);
    std::printf("\n");
}

}  // namespace

int Probe(const ProbeOptions &options) {
    MessageLog log;
    ScratchDir scratch;
    {
        std::ofstream node(scratch.path() / NodeFileName(kProbeChannel), std::ios::binary);
        node << "T 5000; 20; " << options.connectMs << "; " << options.connectMs
             << ";\n01=" << options.host << "-PLC5\n02=" << options.host << "-SLC5\n";
    }
    std::printf("probe         %s, port 2222\n", options.host.c_str());
    Channel channel(kProbeChannel);
    int opened = PDX_LINK_ERROR;
    const Clock::time_point t0 = Clock::now();
    {
        InDirectory inScratch(scratch.path());
        opened = channel.Open(true, (options.timeoutMs + 9) / 10);
    }
    const double openMs = MsSince(t0);
    const std::vector<DriverMessage> messages = log.Take();
    if (opened != PDX_DONE || !Connected(messages)) {
        std::printf("connection    not reached\n");
        PrintMessages(messages);
        return PDX_LINK_ERROR;
    }
    std::printf("connection    connected, session registered (%.1f ms)\n", openMs);
    std::string gate;
    const std::string family = FindFamily(channel, log, &gate);
    if (family.empty()) {
        std::printf("family        unknown: neither read was answered\n");
        return PDX_REQUEST_ERROR;
    }
    ReadMasterFlag(channel, log, gate.substr(0, 2));
    MeasureRoundTrip(channel, log, gate, options.count);
    channel.Close();
    log.Take();
    return PDX_DONE;
}

}  // namespace ordax_cli
