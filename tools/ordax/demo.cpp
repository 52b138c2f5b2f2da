// ordax demo: a simulated PLC-5/E and SLC 5/05 in this process, a node file
// for them in a scratch directory, and the driver reading and writing them.
#include <cstdio>
#include <fstream>

#include "tools/ordax/access.h"
#include "tools/plcsim/plcsim.h"

namespace ordax_cli {

namespace {

constexpr int kDemoChannel = 1;
constexpr char kTables[] = "N7:100,F8:50";

int AddStation(plcsim::Simulator &sim, const std::string &ip, plcsim::Family family) {
    plcsim::StationConfig config;
    config.ip = ip;
    config.family = family;
    config.tables = kTables;
    const int handle = sim.AddStation(config);
    if (handle < 0) std::printf("simulator: %s: %s\n", ip.c_str(), sim.LastError().c_str());
    return handle;
}

}  // namespace

int Demo(const DemoOptions &options) {
    plcsim::Simulator sim;
    const int plc5 = AddStation(sim, options.plc5Ip, plcsim::Family::Plc5);
    const int slc5 = AddStation(sim, options.slc5Ip, plcsim::Family::Slc5);
    if (plc5 < 0 || slc5 < 0 || !sim.Start()) return PDX_LINK_ERROR;
    sim.station(plc5).SetWord({plcsim::FileType::N, 7, 0, 0}, 1234);
    sim.station(slc5).SetFloat({plcsim::FileType::F, 8, 0, 0}, 2.5f);
    std::printf("simulator: PLC-5/E at %s, SLC 5/05 at %s (tables %s)\n", options.plc5Ip.c_str(),
                options.slc5Ip.c_str(), kTables);

    MessageLog log;
    ScratchDir scratch;
    {
        std::ofstream node(scratch.path() / NodeFileName(kDemoChannel), std::ios::binary);
        node << "01=" << options.plc5Ip << "-PLC5\n02=" << options.slc5Ip << "-SLC5\n";
    }
    Channel channel(kDemoChannel);
    int result = PDX_LINK_ERROR;
    {
        InDirectory inScratch(scratch.path());
        result = OpenForAccess(channel, log, 100);
    }
    if (result == PDX_DONE) {
        result = Worse(result, ReadGate(channel, log, "01N007000", GateKind::kWord, 1));
        result = Worse(result, ReadGate(channel, log, "02F008000", GateKind::kReal, 1));
        result = Worse(result, WriteGate(channel, log, "01N007001", GateKind::kWord, {"42"}));
        result = Worse(result, ReadGate(channel, log, "01N007000", GateKind::kWord, 2));
        channel.Close();
        PrintMessages(log.Take());
    }
    sim.Stop();
    return result;
}

}  // namespace ordax_cli
