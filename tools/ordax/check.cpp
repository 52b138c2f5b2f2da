// ordax check: the driver opens the node file on a scratch channel, the tool
// shows what it read and warns about lines that probably mean something else.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/ordax/commands.h"
#include "tools/ordax/driver.h"
#include "tools/ordax/node_text.h"

namespace ordax_cli {

namespace {

constexpr int kStations = 100;
constexpr char kUnknownDevice[] = "Parse unknown device type";

struct DriverStation {
    bool configured = false;
    Family family = Family::kPlc5;
};

bool Contains(const std::vector<DriverMessage> &messages, const char *part) {
    for (const DriverMessage &m : messages) {
        if (m.text.find(part) != std::string::npos) return true;
    }
    return false;
}

// Parses `text` as a word gate (command 3); the messages it caused are
// returned through `messages`.
int ProbeGate(Channel &channel, MessageLog &log, const std::string &text,
              std::vector<DriverMessage> &messages) {
    GateRecord gate{};
    gate.addressText = text.c_str();
    gate.gateType = GateTypeOf(GateKind::kWord);
    const int result = channel.ParseGate(gate);
    messages = log.Take();
    return result;
}

// What the driver's gate parser makes of station `n`. The parser looks the
// station up before it checks the address against the family, so a word
// gate N7:0 is refused with "unknown device type" exactly when the station
// is not configured. Input word 00 of input file 0 as a word gate is taken
// only by an SLC 5 station: a PLC-5 reads those columns as bit 00, which a
// word gate refuses.
DriverStation AskDriver(Channel &channel, MessageLog &log, int n) {
    char text[16];
    std::vector<DriverMessage> messages;
    DriverStation station;
    std::snprintf(text, sizeof text, "%02dN007000", n);
    const int word = ProbeGate(channel, log, text, messages);
    station.configured = word == PDX_DONE || !Contains(messages, kUnknownDevice);
    if (!station.configured) return station;
    std::snprintf(text, sizeof text, "%02dI00000000", n);
    if (ProbeGate(channel, log, text, messages) == PDX_DONE) station.family = Family::kSlc5;
    return station;
}

bool ReadBytes(const std::string &path, std::string &bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
    return true;
}

void PrintStations(const DriverStation (&driver)[kStations], const NodeFileText &text) {
    std::printf("stations (accepted by the driver):\n");
    std::printf("  %-7s %-6s %-32s %s\n", "station", "family", "address", "standby");
    for (int n = 0; n < kStations; ++n) {
        if (!driver[n].configured) continue;
        auto found = text.stations.find(n);
        std::string base = "?";
        std::string standby;
        if (found != text.stations.end()) {
            base = found->second.base;
            if (!found->second.standby.empty()) {
                standby =
                    found->second.standby + " (" + FamilyName(found->second.standbyFamily) + ")";
            }
        }
        std::printf("  %02d      %-6s %-32s %s\n", n, FamilyName(driver[n].family), base.c_str(),
                    standby.c_str());
    }
}

// Differences between the driver's verdict and the tool's own reading
// would mean the tool misreads the file; they are reported, not hidden.
int ReportDifferences(const DriverStation (&driver)[kStations], const NodeFileText &text) {
    int differences = 0;
    for (int n = 0; n < kStations; ++n) {
        auto found = text.stations.find(n);
        const bool tool = found != text.stations.end();
        if (driver[n].configured == tool &&
            (!tool || found->second.baseFamily == driver[n].family)) {
            continue;
        }
        std::printf("note: station %02d: the driver %s; this tool read %s\n", n,
                    driver[n].configured ? FamilyName(driver[n].family) : "has no such station",
                    tool ? FamilyName(found->second.baseFamily) : "no such station");
        ++differences;
    }
    return differences;
}

// The stations the driver accepted beside the tool's reading, the timings,
// and the verdict; the channel is closed once the driver has been asked.
int Report(Channel &channel, MessageLog &log, const NodeFileText &text, bool strict) {
    DriverStation driver[kStations];
    for (int n = 0; n < kStations; ++n) driver[n] = AskDriver(channel, log, n);
    channel.Close();
    log.Take();

    PrintStations(driver, text);
    const Timings &t = text.timings;
    std::printf("timings (ms): supervise %u, loop sleep %u, connect %u, session %u\n",
                t.superviseInterval, t.loopSleep, t.connectTimeout, t.sessionTimeout);
    ReportDifferences(driver, text);
    const bool warned = !text.warnings.empty();
    std::printf("accepted%s\n", warned ? ", with warnings" : "");
    return strict && warned ? PDX_REQUEST_ERROR : PDX_DONE;
}

}  // namespace

int Check(const CheckOptions &options) {
    const bool byChannel = options.file.empty();
    const int number = byChannel ? options.channel : 1;
    const std::string source = byChannel ? NodeFileName(number) : options.file;
    std::string bytes;
    const bool readable = ReadBytes(source, bytes);

    MessageLog log;
    ScratchDir scratch;
    if (readable) {
        std::ofstream copy(scratch.path() / NodeFileName(number), std::ios::binary);
        copy << bytes;
    }
    std::printf("node file: %s (read by the driver as %s of channel %d)\n", source.c_str(),
                NodeFileName(number).c_str(), number);
    if (!readable) std::printf("error: %s cannot be read\n", source.c_str());

    Channel channel(number);
    const int result = OpenWithoutConnecting(channel, scratch.path());
    std::vector<DriverMessage> openMessages = log.Take();
    const NodeFileText text = ReadNodeText(bytes);
    for (const NodeWarning &w : text.warnings) {
        std::printf("%s:%d: warning: %s\n", source.c_str(), w.line, w.text.c_str());
    }
    PrintMessages(openMessages);
    if (result != PDX_DONE) {
        std::printf("refused: the driver does not open a channel with this file (result %d)%s\n",
                    result, readable ? ": it has no usable station line" : "");
        return result;
    }
    return Report(channel, log, text, options.strict);
}

}  // namespace ordax_cli
