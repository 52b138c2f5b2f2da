// ordax demo: simulated processors in this process (a PLC-5/E, an SLC 5/05
// and a PLC-5 hot-backup pair), a node file for them in a scratch
// directory, and the driver reading and writing them through PdxMain: gates
// of every kind, then a switch of the pair's master and the reads that
// follow it, then the channel's close.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/ordax/access.h"
#include "tools/plcsim/plcsim.h"

namespace ordax_cli {

namespace {

constexpr int kDemoChannel = 1;
constexpr char kTables[] = "N7:100,F8:50,ST9:5,N31:1";
// Supervise every second so the pair's switch shows within a few seconds.
constexpr char kTimingLine[] = "T 1000; 50; 2000; 2000;";

using plcsim::FileType;

int AddStation(plcsim::Simulator &sim, const std::string &ip, plcsim::Family family) {
    plcsim::StationConfig config;
    config.ip = ip;
    config.family = family;
    config.tables = kTables;
    const int handle = sim.AddStation(config);
    if (handle < 0) std::printf("simulator: %s: %s\n", ip.c_str(), sim.LastError().c_str());
    return handle;
}

// Opens `channel` from its node file in the current directory (command 1).
int OpenDemoChannel(Channel &channel, MessageLog &log, int timeoutCs) {
    const int result = channel.Open(true, timeoutCs);
    PrintMessages(log.Take());
    if (result != PDX_DONE) std::printf("the channel did not open (result %d)\n", result);
    return result;
}

// Reads `count` values of `kind` at `address`, printing the values or the
// failure and the driver's messages. Returns the host result.
int ShowRead(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
             int count) {
    const GateRead read = ReadOnce(channel, log, Gate{address, address, kind, count});
    std::printf("%s\n", read.line.c_str());
    PrintMessages(read.messages);
    return read.result;
}

int ShowWrite(Channel &channel, MessageLog &log, const std::string &address, GateKind kind,
              const std::vector<std::string> &values) {
    return WriteValues(channel, log, Gate{address, address, kind, 1}, values);
}

void Heading(const char *text) {
    std::printf("\n--- %s\n", text);
}

// Reads and writes of every kind; the worst host result.
int EveryKind(Channel &channel, MessageLog &log) {
    int result = PDX_DONE;
    Heading("words, reals, bits, timers, blocks and strings (station 01 PLC-5/E, 02 SLC 5/05)");
    result = Worse(result, ShowRead(channel, log, "01N007000", GateKind::kWord, 1));
    result = Worse(result, ShowRead(channel, log, "02N007000", GateKind::kWord, 1));
    result = Worse(result, ShowRead(channel, log, "01F008000", GateKind::kReal, 1));
    result = Worse(result, ShowRead(channel, log, "02F008000", GateKind::kReal, 1));
    result = Worse(result, ShowWrite(channel, log, "01B00300012", GateKind::kDigital, {"1"}));
    result = Worse(result, ShowRead(channel, log, "01B00300012", GateKind::kDigital, 1));
    result = Worse(result, ShowRead(channel, log, "01T00400002", GateKind::kWord, 1));
    result = Worse(result, ShowWrite(channel, log, "02N007010", GateKind::kWord,
                                     {"10", "20", "30", "40", "50"}));
    result = Worse(result, ShowRead(channel, log, "02N007010", GateKind::kWord, 5));
    result = Worse(result, ShowWrite(channel, log, "01F008001", GateKind::kReal, {"-273.15"}));
    result = Worse(result, ShowRead(channel, log, "01F008001", GateKind::kReal, 1));
    result =
        Worse(result, ShowWrite(channel, log, "02G009000", GateKind::kString, {"Line 2 running"}));
    result = Worse(result, ShowRead(channel, log, "02G009000", GateKind::kString, 1));
    Heading("a refused request, explained as operators see it");
    ShowRead(channel, log, "01N007500", GateKind::kWord, 1);  // N7 has 100 elements
    return result;
}

// Moves the pair's mastership and reads station 03 until the driver has
// followed it to the new master (N7:0 tells the processors apart).
int SwitchOver(plcsim::Simulator &sim, int pair, Channel &channel, MessageLog &log) {
    Heading("hot-backup pair at station 03: the master moves to the standby processor");
    int result = ShowRead(channel, log, "03N007000", GateKind::kWord, 1);
    const auto start = std::chrono::steady_clock::now();
    sim.SwapMaster(pair);
    std::printf("simulator: master of the pair is now the standby processor\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    result = Worse(result, ShowRead(channel, log, "03N007000", GateKind::kWord, 1));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("(%lld ms after the swap; the driver supervises the pair every second)\n",
                static_cast<long long>(ms));
    return result;
}

// The simulator's wire log, kept while it runs (the loop thread writes it)
// and printed once it has stopped.
class WireLog {
public:
    void Keep(plcsim::Simulator &sim) {
        sim.SetWireLog([this](const std::string &text) { lines_.push_back(text); });
    }
    void Print() const {
        Heading("what the stations saw (simulator wire log)");
        for (const std::string &line : lines_) std::printf("%s\n", line.c_str());
    }

private:
    std::vector<std::string> lines_;
};

// The four processors, the pair and the values the demo reads, started; the
// pair's handle, or -1 when the simulator could not serve them.
int StartPlant(plcsim::Simulator &sim, const DemoOptions &options) {
    const int plc5 = AddStation(sim, options.plc5Ip, plcsim::Family::Plc5);
    const int slc5 = AddStation(sim, options.slc5Ip, plcsim::Family::Slc5);
    const int base = AddStation(sim, options.pairBaseIp, plcsim::Family::Plc5);
    const int standby = AddStation(sim, options.pairStandbyIp, plcsim::Family::Plc5);
    if (plc5 < 0 || slc5 < 0 || base < 0 || standby < 0) return -1;
    const int pair = sim.AddHotBackupPair(base, standby);
    if (pair < 0 || !sim.Start()) return -1;
    sim.station(plc5).SetWord({FileType::N, 7, 0, 0}, 1234);
    sim.station(slc5).SetWord({FileType::N, 7, 0, 0}, 5678);
    sim.station(plc5).SetFloat({FileType::F, 8, 0, 0}, 2.5f);
    sim.station(slc5).SetFloat({FileType::F, 8, 0, 0}, 0.125f);
    sim.station(plc5).SetWord({FileType::T, 4, 0, 2}, 77);
    sim.station(base).SetWord({FileType::N, 7, 0, 0}, 111);
    sim.station(standby).SetWord({FileType::N, 7, 0, 0}, 222);
    std::printf("simulator: PLC-5/E %s, SLC 5/05 %s, PLC-5 pair %s (master) / %s (tables %s)\n",
                options.plc5Ip.c_str(), options.slc5Ip.c_str(), options.pairBaseIp.c_str(),
                options.pairStandbyIp.c_str(), kTables);
    return pair;
}

// The node file of the demo's channel in `dir`.
void WriteNodeFile(const std::filesystem::path &dir, const DemoOptions &options) {
    std::ofstream node(dir / NodeFileName(kDemoChannel), std::ios::binary);
    node << "* Ordax demo\n"
         << kTimingLine << "\n01=" << options.plc5Ip << "-PLC5\n02=" << options.slc5Ip
         << "-SLC5\n03=" << options.pairBaseIp << "-PLC5," << options.pairStandbyIp << ";PLC5\n";
}

}  // namespace

int Demo(const DemoOptions &options) {
    WireLog wire;  // outlives the simulator, whose loop thread writes it
    plcsim::Simulator sim;
    if (options.wireLog) wire.Keep(sim);
    const int pair = StartPlant(sim, options);
    if (pair < 0) return PDX_LINK_ERROR;

    MessageLog log;
    ScratchDir scratch;
    WriteNodeFile(scratch.path(), options);
    Channel channel(kDemoChannel);
    int result = PDX_LINK_ERROR;
    Heading("command 1: open the channel");
    {
        InDirectory inScratch(scratch.path());
        result = OpenDemoChannel(channel, log, 100);
    }
    if (result == PDX_DONE) {
        result = Worse(result, EveryKind(channel, log));
        result = Worse(result, SwitchOver(sim, pair, channel, log));
        Heading("command 11: close the channel");
        channel.Close();
        PrintMessages(log.Take());
    }
    sim.Stop();
    if (options.wireLog) wire.Print();
    std::printf("\ndemo %s (result %d)\n", result == PDX_DONE ? "done" : "failed", result);
    return result;
}

}  // namespace ordax_cli
