// Commands 3 and 4 through PdxMain, as a host defines gates: any address
// text, gate kind and block length, on a channel block with PLC-5 and SLC 5
// stations configured (no network). Input: kind selector, command selector,
// block length (16-bit, signed), then the address text.
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "core/context.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/layouts.h"
#include "ordax.h"
#include "testkit/channel_block.h"

namespace {

constexpr int kPlc5Stations[] = {0, 5, 7, 15, 77};
constexpr int kSlc5Stations[] = {6, 8, 9, 99};
constexpr char kLetters[] = "OISBTCRNFPGXY";

std::unique_ptr<ordax::DriverContext> NewBlock() {
    auto ctx = ordax_test::NewChannelBlock(ordax_test::ChannelState::kClosed);
    using ordax_test::StationLock;
    for (int n : kPlc5Stations) {
        ordax_test::ConfigureStation(*ctx, n, ordax::kPlc5, "plc5", StationLock::kNone);
    }
    for (int n : kSlc5Stations) {
        ordax_test::ConfigureStation(*ctx, n, ordax::kSlc5, "slc5", StationLock::kNone);
    }
    return ctx;
}

int Definitions(const ordax::DriverContext &ctx) {
    int n = 0;
    for (auto *d = ctx.stringDefinitions; d != nullptr; d = d->next) ++n;
    return n;
}

void FreeDefinitions(ordax::DriverContext &ctx) {
    while (ctx.stringDefinitions != nullptr) {
        ordax::StringDefinition *next = ctx.stringDefinitions->next;
        delete ctx.stringDefinitions;
        ctx.stringDefinitions = next;
    }
}

struct Outcome {
    int result;
    GateRecord record;
};

// One call on a record of exactly its own size, so that a write past it is
// caught; the host's fields must come back as they went in.
Outcome Call(ordax::DriverContext &ctx, int command, const GateRecord &in) {
    auto gate = std::make_unique<GateRecord>(in);
    PdxCall call{};
    call.driverContext = &ctx;
    call.command = command;
    call.args = gate.get();
    const int result = PdxMain(&call);
    FUZZ_CHECK(result == PDX_DONE || result == PDX_REQUEST_ERROR);
    FUZZ_CHECK(gate->addressText == in.addressText);
    FUZZ_CHECK(gate->gateId == in.gateId);
    FUZZ_CHECK(gate->gateType == in.gateType);
    FUZZ_CHECK(gate->blockLength == in.blockLength);
    FUZZ_CHECK(ctx.parsingBlock == 0);
    return {result, *gate};
}

void CheckAccepted(const ordax::DriverContext &ctx, int command, const GateRecord &g,
                   int definitionsAdded) {
    const int element = g.packedAddress & 0xFFF;
    const int file = (g.packedAddress >> 12) & 0xFFF;
    const int sub = static_cast<int>(static_cast<std::uint32_t>(g.packedAddress) >> 24);
    FUZZ_CHECK(g.station >= 0 && g.station <= 99);
    FUZZ_CHECK(g.fileType > 0 && std::strchr(kLetters, g.fileType) != nullptr);
    FUZZ_CHECK(element <= 999 && file <= 999 && sub <= 99);
    FUZZ_CHECK(g.valueBits == 16 || g.valueBits == 32);
    const bool stringFile = g.fileType == 'X' || g.fileType == 'Y';
    FUZZ_CHECK(definitionsAdded == (stringFile ? 1 : 0));
    if (stringFile) {
        const ordax::StringDefinition &d = *ctx.stringDefinitions;
        FUZZ_CHECK(command == PDX_PARSE_GATE && g.gateType == PDX_GATE_STRING);
        FUZZ_CHECK(d.gateId == g.gateId && d.station == g.station && d.fileType == g.fileType);
        FUZZ_CHECK(d.fileNumber == file && d.element == element && d.length == sub);
        FUZZ_CHECK(g.bit == ordax::kNoBit && g.valueBits == 16);
        return;
    }
    const int family = ctx.stations[g.station].plcType;
    FUZZ_CHECK(family == ordax::kPlc5 || family == ordax::kSlc5);
    if (g.fileType == 'F') FUZZ_CHECK(g.valueBits == 32);
    if (command == PDX_PARSE_BLOCK) {
        FUZZ_CHECK(g.gateType != PDX_GATE_STRING);
        FUZZ_CHECK(g.blockLength <= (family == ordax::kSlc5 ? 256 : 1000));
        if (std::strchr("TCRPG", g.fileType) != nullptr) FUZZ_CHECK(g.blockLength <= 0);
        return;
    }
    FUZZ_CHECK((g.fileType == 'G') == (g.gateType == PDX_GATE_STRING));
    if (g.gateType == PDX_GATE_DIGITAL) {
        FUZZ_CHECK(g.bit >= 0 && g.bit <= 15 && g.fileType != 'F' && g.valueBits == 16);
    } else {
        FUZZ_CHECK(g.bit == ordax::kNoBit);
        if (g.valueBits == 32) FUZZ_CHECK(g.gateType == PDX_GATE_REAL);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::CheckMessagesOnce();
    fuzz::Input in(data, size);
    fuzz::GateHead head;
    fuzz::Read(in, head);
    GateRecord gate{};
    gate.gateType = fuzz::kGateKinds[head.kind % std::size(fuzz::kGateKinds)];
    const int command = head.command % 2 == 0 ? PDX_PARSE_GATE : PDX_PARSE_BLOCK;
    gate.blockLength = head.blockLength;
    const std::vector<std::uint8_t> rest = in.Rest();
    const std::string text(rest.begin(), rest.end());  // the host's text ends at a NUL
    gate.addressText = text.c_str();
    gate.gateId = 4242;
    gate.station = gate.fileType = gate.packedAddress = gate.bit = gate.valueBits = -7;

    static std::unique_ptr<ordax::DriverContext> ctx = NewBlock();
    const Outcome first = Call(*ctx, command, gate);
    const int added = Definitions(*ctx);
    if (first.result == PDX_DONE) CheckAccepted(*ctx, command, first.record, added);
    if (first.result != PDX_DONE) FUZZ_CHECK(added == 0);
    // The work fields carry nothing from one parse to the next.
    const Outcome again = Call(*ctx, command, gate);
    FUZZ_CHECK(again.result == first.result);
    FUZZ_CHECK(std::memcmp(&again.record, &first.record, sizeof first.record) == 0);
    FreeDefinitions(*ctx);
    return 0;
}
