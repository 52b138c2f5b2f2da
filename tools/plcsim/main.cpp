// plcsim: serves simulated PLC-5/E and SLC 5/05 processors on port 2222 until "quit", SIGINT
// or SIGTERM. SIGUSR1 swaps the master of every hot-backup pair.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>

#include "tools/plcsim/control.h"
#include "tools/plcsim/plcsim.h"

namespace {

const char kUsage[] =
    "Usage: plcsim [options]\n"
    "Serves simulated Allen-Bradley PLC-5/E and SLC 5/05 Ethernet processors (PCCC in the\n"
    "encapsulation on TCP port 2222), one listener per station address.\n"
    "\n"
    "Stations (without any, the set of --demo is served):\n"
    "  --plc5 IP              a PLC-5/E processor on IP\n"
    "  --slc IP               an SLC 5/05 processor on IP\n"
    "  --range plc5|slc IP N  N processors on consecutive addresses from IP\n"
    "  --pair IP_A,IP_B       two stations given before form a hot-backup pair; IP_A starts\n"
    "                         as master (N31:0 bit 0 = 1), IP_B as standby (bit 0 = 0)\n"
    "  --tables DESC          data tables of the stations that follow, e.g.\n"
    "                         \"N7:100,F8:50,ST9:10,N31:1\" (file type, number, ':' elements);\n"
    "                         entries replace or add to the defaults, a leading '=' drops them\n"
    "  --tables-file PATH     the same, read from a file ('#' starts a comment)\n"
    "  --port N               port (1-65535) of the stations that follow (default 2222)\n"
    "  --demo                 PLC-5 at 127.0.0.2, SLC 5/05 at 127.0.0.3, PLC-5 hot-backup\n"
    "                         pair at 127.0.0.4 (master) and 127.0.0.5\n"
    "Output:\n"
    "  --wire-log             print every frame in and out (hex and decoded) on stdout\n"
    "  --help                 this text\n"
    "\n"
    "Default tables: O0:32 I1:32 S2:164 B3:100 T4:50 C5:50 R6:50 N7:1000 F8:100 ST9:20\n"
    "N10:1000 N31:10, and PD12:4 on a PLC-5.\n"
    "Signals: SIGUSR1 swaps the master of every pair; SIGINT/SIGTERM stop.\n\n";

std::atomic<int> gStop{0};
std::atomic<int> gSwap{0};
std::mutex gOut;

void Print(const std::string &text) {
    std::lock_guard<std::mutex> hold(gOut);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void OnSignal(int sig) {
    if (sig == SIGUSR1)
        gSwap = 1;
    else
        gStop = 1;
}

struct Options {
    plcsim::Simulator &sim;
    std::string tables;
    uint16_t port = 2222;
    bool any = false;
};

bool Add(Options &o, plcsim::Family family, const std::string &ip) {
    int h = o.sim.AddStation({ip, family, o.tables, o.port});
    if (h < 0) std::fprintf(stderr, "plcsim: %s\n", o.sim.LastError().c_str());
    o.any = true;
    return h >= 0;
}

bool AddRange(Options &o, const std::string &family, const std::string &first, int count) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(first.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4 || count < 1) return false;
    for (int i = 0; i < count; ++i) {
        unsigned host = d + static_cast<unsigned>(i);
        std::string ip = std::to_string(a);
        ip += ".";
        ip += std::to_string(b + (c + host / 256) / 256);
        ip += ".";
        ip += std::to_string((c + host / 256) % 256);
        ip += ".";
        ip += std::to_string(host % 256);
        if (!Add(o, family == "slc" ? plcsim::Family::Slc5 : plcsim::Family::Plc5, ip))
            return false;
    }
    return true;
}

bool AddPair(Options &o, const std::string &pairText) {
    size_t comma = pairText.find(',');
    if (comma == std::string::npos) return false;
    int a = plcsim::FindStation(o.sim, pairText.substr(0, comma));
    int b = plcsim::FindStation(o.sim, pairText.substr(comma + 1));
    return o.sim.AddHotBackupPair(a, b) >= 0;
}

bool AddDemo(Options &o) {
    return Add(o, plcsim::Family::Plc5, "127.0.0.2") && Add(o, plcsim::Family::Slc5, "127.0.0.3") &&
           Add(o, plcsim::Family::Plc5, "127.0.0.4") && Add(o, plcsim::Family::Plc5, "127.0.0.5") &&
           AddPair(o, "127.0.0.4,127.0.0.5");
}

std::string ReadTablesFile(const std::string &path, bool &ok) {
    std::ifstream in(path);
    ok = static_cast<bool>(in);
    std::string all, line;
    while (std::getline(in, line)) {
        all.append(line, 0, line.find('#'));
        all += ",";
    }
    return all;
}

// A whole decimal number from `lowest` to `highest`; nothing else is one.
bool WholeNumber(const char *text, long lowest, long highest, long &value) {
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 && value >= lowest && value <= highest;
}

bool SetPort(Options &o, const char *text) {
    long port = 0;
    if (!WholeNumber(text, 1, 65535, port)) return false;
    o.port = static_cast<uint16_t>(port);
    return true;
}

// --range FAMILY IP N: the family must be one of the two, N a count of stations.
bool AddRangeOption(Options &o, char **args) {
    const std::string family = args[0];
    long count = 0;
    if ((family != "plc5" && family != "slc") || !WholeNumber(args[2], 1, 65535, count))
        return false;
    return AddRange(o, family, args[1], static_cast<int>(count));
}

// One option at argv[i], with the values it takes after it (i moves past
// them). 1 = applied, 0 = could not be applied, -1 = unknown or incomplete.
int ApplyOption(Options &o, int argc, char **argv, int &i, bool &wireLog) {
    const std::string a = argv[i];
    const bool hasNext = i + 1 < argc;
    bool ok = true;
    if (a == "--wire-log")
        wireLog = true;
    else if (a == "--demo")
        ok = AddDemo(o);
    else if (a == "--plc5" && hasNext)
        ok = Add(o, plcsim::Family::Plc5, argv[++i]);
    else if (a == "--slc" && hasNext)
        ok = Add(o, plcsim::Family::Slc5, argv[++i]);
    else if (a == "--pair" && hasNext)
        ok = AddPair(o, argv[++i]);
    else if (a == "--tables" && hasNext)
        o.tables = argv[++i];
    else if (a == "--tables-file" && hasNext)
        o.tables = ReadTablesFile(argv[++i], ok);
    else if (a == "--port" && hasNext)
        ok = SetPort(o, argv[++i]);
    else if (a == "--range" && i + 3 < argc) {
        ok = AddRangeOption(o, argv + i + 1);
        i += 3;
    } else
        return -1;
    return ok ? 1 : 0;
}

// Parses the command line, adding stations as they come. Returns 0 to run,
// -1 after the help, else the exit code.
int ParseArgs(Options &o, int argc, char **argv, bool &wireLog) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::string help = kUsage;
            help += plcsim::kControlHelp;
            Print(help);
            return -1;
        }
        const int applied = ApplyOption(o, argc, argv, i, wireLog);
        if (applied < 0) {
            std::fprintf(stderr, "plcsim: unknown or incomplete option '%s' (see --help)\n",
                         a.c_str());
            return 2;
        }
        if (applied == 0) {
            std::fprintf(stderr, "plcsim: cannot apply '%s'\n", a.c_str());
            return 1;
        }
    }
    if (!o.any && !AddDemo(o)) return 1;
    return 0;
}

// Reads control lines from stdin until quit or a stop signal; stdin at its end is ignored.
void Serve(plcsim::Simulator &sim) {
    bool stdinOpen = true;
    std::string pending;
    while (!gStop) {
        if (gSwap.exchange(0))
            for (int p = 0; p < sim.pairCount(); ++p) sim.SwapMaster(p);
        pollfd p{0, POLLIN, 0};
        if (!stdinOpen || poll(&p, 1, 200) <= 0) {
            if (!stdinOpen) usleep(200000);
            continue;
        }
        char buf[1024];
        ssize_t n = read(0, buf, sizeof buf);
        if (n <= 0) {
            stdinOpen = false;
            continue;
        }
        pending.append(buf, static_cast<size_t>(n));
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            std::string out;
            bool go = plcsim::RunControl(sim, pending.substr(0, nl), out);
            pending.erase(0, nl + 1);
            Print(out);
            if (!go) return;
        }
    }
}

}  // namespace

int main(int argc, char **argv) {
    plcsim::Simulator sim;
    Options o{sim, "", 2222, false};
    bool wireLog = false;
    int rc = ParseArgs(o, argc, argv, wireLog);
    if (rc != 0) return rc < 0 ? 0 : rc;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    if (wireLog) {
        sim.SetWireLog([](const std::string &text) {
            std::string line = text;
            line += "\n";
            Print(line);
        });
    }
    if (!sim.Start()) return 1;
    std::string out;
    plcsim::RunControl(sim, "stations", out);
    std::string serving = "plcsim: serving\n";
    serving += out;
    Print(serving);
    Serve(sim);
    sim.Stop();
    return 0;
}
