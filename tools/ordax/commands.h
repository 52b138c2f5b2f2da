// The subcommands of the ordax tool. Each returns the process's exit code:
// the host result of the driver command that decided it (0 done, 1 request
// refused or wrong, 2 driver, channel or link failure).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ordax_cli {

enum class GateKind { kWord, kReal, kDigital, kString };

// The GateRecord.gateType the host sets for `kind`.
std::int32_t GateTypeOf(GateKind kind);
const char *KindName(GateKind kind);  // "word", "real", "digital", "string"

struct CheckOptions {
    std::string file;  // empty: --channel
    int channel = -1;
    bool strict = false;  // warnings make an accepted file exit 1
};

struct ParseOptions {
    std::string address;
    bool slc5 = false;
    GateKind kind = GateKind::kWord;
    bool kindGiven = false;  // else the address implies its kind
    int station = 1;         // of a processor address
    int blockLength = 0;     // 0: a single gate (command 3), else a block (command 4)
};

enum class MonitorFormat { kTable, kCsv, kJsonl };

struct AccessOptions {
    int channel = 1;
    GateKind kind = GateKind::kWord;
    bool kindGiven = false;  // else each address implies its kind
    int station = -1;        // of processor addresses; -1: the node file's only station
    std::string ip;          // a node file of one station at this address, instead of OrdaxNN.int
    bool ipSlc5 = false;     // its family
    std::vector<std::string> addresses;
    int count = 1;                    // values per gate; above 1 a block
    std::vector<std::string> values;  // write only
    int timeoutCs = 100;
    int timeoutMs = 0;      // --timeout-ms as given; the driver takes timeoutCs
    int intervalMs = 1000;  // monitor only
    MonitorFormat format = MonitorFormat::kTable;  // monitor only
};

struct ProbeOptions {
    std::string host;
    int count = 10;        // one-word reads timed
    int timeoutMs = 1000;  // reply time-out
    int connectMs = 3000;  // connect and session time-outs
};

struct DemoOptions {
    std::string plc5Ip = "127.0.0.2";
    std::string slc5Ip = "127.0.0.3";
    std::string pairBaseIp = "127.0.0.4";  // PLC-5 hot-backup pair, master at the start
    std::string pairStandbyIp = "127.0.0.5";
    bool wireLog = false;  // print the frames the simulator saw and sent, after the demo
};

int Describe();
int Check(const CheckOptions &options);
int Parse(const ParseOptions &options);
int Read(const AccessOptions &options);
int Write(const AccessOptions &options);
int Monitor(const AccessOptions &options);
int Demo(const DemoOptions &options);
int Probe(const ProbeOptions &options);

}  // namespace ordax_cli
