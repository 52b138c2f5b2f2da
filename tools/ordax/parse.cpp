// ordax parse: one gate address through command 3 (or 4 for a block) on a
// scratch channel whose stations are all of the chosen family.
#include <cstdio>
#include <fstream>

#include "tools/ordax/commands.h"
#include "tools/ordax/driver.h"
#include "tools/ordax/plc_address.h"

namespace ordax_cli {

namespace {

constexpr int kStations = 100;
constexpr int kScratchChannel = 1;
constexpr int kNoBit = 255;

// Every station 00..99 of the family, at an address that is never used:
// the channel is only prepared, so nothing connects, and whatever station
// the driver reads from the address columns is configured.
void WriteNodeFile(const std::filesystem::path &path, bool slc5) {
    std::ofstream out(path, std::ios::binary);
    for (int n = 0; n < kStations; ++n) {
        char line[32];
        std::snprintf(line, sizeof line, "%02d=0.0.0.0-%s\n", n, slc5 ? "SLC5" : "PLC5");
        out << line;
    }
}

void PrintFields(const GateRecord &gate) {
    const auto packed = static_cast<std::uint32_t>(gate.packedAddress);
    std::printf("station       %02d\n", gate.station);
    std::printf("file type     %c\n", static_cast<char>(gate.fileType));
    std::printf("file          %u\n", (packed >> 12) & 0xFFFu);
    std::printf("element       %u\n", packed & 0xFFFu);
    std::printf("sub-element   %u\n", (packed >> 24) & 0xFFu);
    if (gate.bit == kNoBit) {
        std::printf("bit           none\n");
    } else {
        std::printf("bit           %d\n", gate.bit);
    }
    std::printf("value bits    %d\n", gate.valueBits);
    std::printf("packed        0x%08X\n", packed);
}

// The address in both forms and what it was parsed as.
void PrintRequest(const ParseOptions &options) {
    const char *kindName = KindName(options.kind);
    const char *family = options.slc5 ? "SLC 5" : "PLC-5";
    std::printf("address       %s\n", options.address.c_str());
    const std::string processor = ToProcessorAddress(options.address, options.slc5);
    if (!processor.empty()) std::printf("processor     %s\n", processor.c_str());
    if (options.blockLength > 0) {
        std::printf("parsed as     block of %d %s values (command 4), %s station\n",
                    options.blockLength, kindName, family);
    } else {
        std::printf("parsed as     %s gate (command 3), %s station\n", kindName, family);
    }
}

// A processor address becomes the gate address of --station; the kind is
// the one given, or the one the address implies; ",N" asks for a block.
// Empty, or what is wrong with the address.
std::string Resolve(const ParseOptions &options, ParseOptions *resolved) {
    *resolved = options;
    if (LooksLikeProcessorAddress(options.address)) {
        GateAddress gate{};
        const std::string wrong =
            ToGateAddress(options.address, options.station, options.slc5, &gate);
        if (!wrong.empty()) return wrong;
        resolved->address = gate.text;
        if (!options.kindGiven) resolved->kind = gate.kind;
        if (gate.count > 1 && options.blockLength == 0) resolved->blockLength = gate.count;
    } else if (!options.kindGiven) {
        resolved->kind = KindOfGateAddress(options.address, options.slc5);
    }
    return "";
}

// Command 3 (or 4 for a block) on the open scratch channel: the request,
// the result, and the fields or the driver's messages.
int ParseAndShow(Channel &channel, MessageLog &log, const ParseOptions &options) {
    GateRecord gate{};
    gate.addressText = options.address.c_str();
    gate.gateType = GateTypeOf(options.kind);
    gate.blockLength = options.blockLength;
    const bool block = options.blockLength > 0;
    const int result = block ? channel.ParseBlock(gate) : channel.ParseGate(gate);
    const std::vector<DriverMessage> messages = log.Take();
    PrintRequest(options);
    if (result == PDX_DONE) {
        std::printf("result        0 accepted\n");
        PrintFields(gate);
    } else {
        std::printf("result        %d rejected\n", result);
        if (messages.empty()) std::printf("driver: no message\n");
    }
    PrintMessages(messages);
    return result;
}

}  // namespace

int Parse(const ParseOptions &given) {
    ParseOptions options;
    const std::string wrong = Resolve(given, &options);
    if (!wrong.empty()) {
        std::printf("address       %s\nresult        1 rejected: %s\n", given.address.c_str(),
                    wrong.c_str());
        return PDX_REQUEST_ERROR;
    }
    MessageLog log;
    ScratchDir scratch;
    WriteNodeFile(scratch.path() / NodeFileName(kScratchChannel), options.slc5);
    Channel channel(kScratchChannel);
    const int opened = OpenWithoutConnecting(channel, scratch.path());
    const std::vector<DriverMessage> openMessages = log.Take();
    if (opened != PDX_DONE) {
        PrintMessages(openMessages);
        std::printf("the driver did not open the scratch channel (result %d)\n", opened);
        return opened;
    }
    return ParseAndShow(channel, log, options);
}

}  // namespace ordax_cli
