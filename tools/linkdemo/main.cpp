// ordax_linkdemo: a PLC-5/E at 127.0.0.2 and an SLC 5/05 at 127.0.0.3,
// simulated in-process, driven through the driver's link layer: session,
// word reads, a float, a bit write, a block write read back, and a refusal
// explained the way operators see it.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "diag/report.h"
#include "link/link.h"
#include "platform/lock.h"
#include "tests/support/channel_block.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;

struct DemoStation {
    int number;
    const char *ip;
    PlcType type;
    plcsim::Family family;
    const char *name;
};

constexpr DemoStation kStations[] = {
    {2, "127.0.0.2", kPlc5, plcsim::Family::Plc5, "PLC-5/E"},
    {3, "127.0.0.3", kSlc5, plcsim::Family::Slc5, "SLC 5/05"},
};

// An open channel block prepared for the two stations.
std::unique_ptr<DriverContext> PrepareChannel() {
    auto ctx = ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
    for (const DemoStation &d : kStations)
        ordax_test::ConfigureStation(*ctx, d.number, d.type, d.ip);
    return ctx;
}

Transaction Request(int station, RequestKind kind, FileTypeCode type, int file, int element,
                    int count) {
    Transaction t{};
    t.function = kind;
    t.station = static_cast<std::uint8_t>(station);
    t.fileType = type;
    t.fileNumber = static_cast<std::uint16_t>(file);
    t.element = static_cast<std::uint16_t>(element);
    t.count = static_cast<std::uint16_t>(count);
    t.bit = static_cast<std::uint8_t>(kNoBit);
    return t;
}

// Runs one exchange and reports a failure as the read/write commands do.
bool Exchange(DriverContext &ctx, Transaction &t, const char *operation) {
    int link = Transact(ctx, t, nullptr);
    return ReportLinkStatus(link, t, operation, nullptr) == 0;
}

float FloatFromWords(std::uint16_t first, std::uint16_t second, PlcType type) {
    // A PLC-5 sends the high word first, an SLC the low word first.
    std::uint32_t bits = type == kPlc5 ? (std::uint32_t{first} << 16) | second
                                       : (std::uint32_t{second} << 16) | first;
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void DemoStationExchanges(DriverContext &ctx, const DemoStation &d) {
    StationEntry &st = ctx.stations[d.number];
    std::printf("\n--- station %02d, %s at %s\n", d.number, d.name, d.ip);
    plat::LockEnter(&st.lock);
    int opened = OpenStation(ctx, st, kStationLockHeld);
    plat::LockLeave(&st.lock);
    if (opened != 0) return;

    Transaction t = Request(d.number, ReadWords, kFileN, 7, 0, 5);
    if (Exchange(ctx, t, kOpReadWord)) {
        std::printf("N7:0..4   = %u %u %u %u %u\n", t.data[0], t.data[1], t.data[2], t.data[3],
                    t.data[4]);
    }
    t = Request(d.number, ReadWords, kFileF, 8, 0, 2);
    if (Exchange(ctx, t, kOpReadWord)) {
        std::printf("F8:0      = %g (words 0x%04X 0x%04X as received)\n",
                    static_cast<double>(FloatFromWords(t.data[0], t.data[1], d.type)), t.data[0],
                    t.data[1]);
    }
    t = Request(d.number, WriteBit, kFileB, 3, 0, 1);
    t.bit = 3;
    t.data[0] = 1;
    if (Exchange(ctx, t, kOpWriteBit)) std::printf("B3:0/3    set\n");
    t = Request(d.number, WriteWords, kFileN, 7, 10, 2);
    t.data[0] = 0x1234;
    t.data[1] = 0xABCD;
    if (Exchange(ctx, t, kOpWriteWord)) std::printf("N7:10..11 written 0x1234 0xABCD\n");
    t = Request(d.number, ReadWords, kFileN, 7, 10, 2);
    if (Exchange(ctx, t, kOpReadWord)) {
        std::printf("N7:10..11 read back 0x%04X 0x%04X\n", t.data[0], t.data[1]);
    }
    std::printf("N7:995..1004 (past the end of a 1000-element file):\n");
    t = Request(d.number, ReadWords, kFileN, 7, 995, 10);
    Exchange(ctx, t, kOpReadWord);
    CloseStation(st);
}

void PresetData(plcsim::Simulator &sim, int handle) {
    plcsim::Station &s = sim.station(handle);
    s.SetWords({plcsim::FileType::N, 7, 0, 0}, {100, 101, 102, 103, 104});
    s.SetFloat({plcsim::FileType::F, 8, 0, 0}, 12.5f);
}

}  // namespace

int main() {
    // Operator messages go to stderr; keep both streams in order on a terminal.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    plcsim::Simulator sim;
    std::vector<std::string> wire;
    for (const DemoStation &d : kStations) {
        int handle = sim.AddStation({d.ip, d.family, "", 2222});
        if (handle < 0) {
            std::fprintf(stderr, "ordax_linkdemo: cannot serve %s: %s\n", d.ip,
                         sim.LastError().c_str());
            return 1;
        }
        PresetData(sim, handle);
    }
    sim.SetWireLog([&wire](const std::string &line) { wire.push_back(line); });
    if (!sim.Start()) {
        std::fprintf(stderr, "ordax_linkdemo: the simulator did not start\n");
        return 1;
    }
    auto block = PrepareChannel();
    DriverContext &ctx = *block;
    for (const DemoStation &d : kStations) DemoStationExchanges(ctx, d);
    sim.Stop();

    std::printf("\n--- what the stations saw (simulator wire log)\n");
    for (const std::string &line : wire) std::printf("%s\n", line.c_str());
    for (const DemoStation &d : kStations) plat::LockDelete(&ctx.stations[d.number].lock);
    return 0;
}
