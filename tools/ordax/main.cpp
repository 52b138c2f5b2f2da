// ordax: command-line host of the driver. Every subcommand works through
// PdxMain and the host records of ordax.h, and the host library's sinks;
// this file reads the command line and hands it to the subcommand.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "ordax.h"
#include "tools/ordax/commands.h"
#include "tools/ordax/host_line.h"
#include "tools/ordax/open_channel.h"
#include "tools/ordax/plc_address.h"
#include "tools/ordax/value_codec.h"

namespace {

using ordax_cli::GateKind;

constexpr int kUsageError = 2;

const char kExitCodes[] =
    "Exit codes are the host results of the driver command that decided: 0 done,\n"
    "1 the request is wrong or was refused, 2 the driver, the channel or the link\n"
    "failed. Wrong arguments print the reason and the usage and exit 2 as well.";

const std::map<std::string, GateKind> kKinds{{"word", GateKind::kWord},
                                             {"real", GateKind::kReal},
                                             {"digital", GateKind::kDigital},
                                             {"string", GateKind::kString}};
const std::map<std::string, bool> kFamilies{{"plc5", false}, {"slc5", true}};

const std::map<std::string, ordax_cli::MonitorFormat> kFormats{
    {"table", ordax_cli::MonitorFormat::kTable},
    {"csv", ordax_cli::MonitorFormat::kCsv},
    {"jsonl", ordax_cli::MonitorFormat::kJsonl}};

constexpr char kAddressHelp[] =
    "Gate addresses (05N007012) or the processors' own (N7:12, B3/23, T4:2.ACC, ST9:0, I:1/3, "
    "N7:0,10 for a block of 10)";

// --family: plc5 or slc5 in any case, turned into the option's bool (true
// for slc5); nothing else, so that the help's "plc5|slc5" is all it takes.
const CLI::Validator kFamilyName(
    [](std::string &text) -> std::string {
        std::string lower;
        for (char c : text) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
        const auto family = kFamilies.find(lower);
        if (family == kFamilies.end()) return "'" + text + "': plc5 or slc5";
        text = family->second ? "1" : "0";
        return "";
    },
    "");
constexpr char kFamilyType[] = "plc5|slc5";

// HOST as a node line holds it whole, or the reason it cannot.
const CLI::Validator kNodeLineHost(
    [](std::string &host) { return ordax_cli::HostLineProblem(host); }, "");

CLI::Option *AddKind(CLI::App *command, GateKind &kind) {
    return command
        ->add_option("--kind", kind,
                     "Gate kind: word, real, digital or string; without it the address says "
                     "(F real, ST/G/X/Y string, a bit digital, else word)")
        ->transform(CLI::CheckedTransformer(kKinds, CLI::ignore_case));
}

// What an access subcommand takes besides its addresses, and the options
// that are checked once the command line is read.
struct AccessCommand {
    CLI::App *app;
    ordax_cli::AccessOptions *options;
    CLI::Option *channel;
    CLI::Option *kind;
    CLI::Option *family;
    CLI::Option *timeoutMsOption;
};

AccessCommand AddAccess(CLI::App *command, ordax_cli::AccessOptions &options) {
    AccessCommand a{command, &options, nullptr, nullptr, nullptr, nullptr};
    a.channel = command
                    ->add_option("--channel", options.channel,
                                 "Channel number; its node file OrdaxNN.int is read from the "
                                 "current directory (required without --ip)")
                    ->check(CLI::Range(0, 9999));
    command
        ->add_option("--ip", options.ip,
                     "Quick look without a node file: one station at this address "
                     "(with --family; --station, default 01)")
        ->check(kNodeLineHost)
        ->excludes(a.channel);
    a.family = command->add_option("--family", options.ipSlc5, "Family of the --ip station")
                   ->transform(kFamilyName)
                   ->type_name(kFamilyType);
    command
        ->add_option("--station", options.station,
                     "Station of processor addresses (default: the node file's only one)")
        ->check(CLI::Range(0, 99));
    a.kind = AddKind(command, options.kind);
    CLI::Option *cs =
        command->add_option("--timeout-cs", options.timeoutCs, "Reply time-out in units of 10 ms")
            ->capture_default_str()
            ->check(CLI::Range(1, 100000));
    a.timeoutMsOption = command
                            ->add_option("--timeout-ms", options.timeoutMs,
                                         "Reply time-out in ms (rounded up to 10 ms; the driver "
                                         "takes units of 10 ms)")
                            ->check(CLI::Range(1, 1000000))
                            ->excludes(cs);
    return a;
}

// Checks what CLI11 cannot: --channel or --ip, --family with --ip, the
// addresses, and the values of a write against the gate's kind.
void Settle(AccessCommand &a) {
    ordax_cli::AccessOptions &o = *a.options;
    if (o.ip.empty() && a.channel->count() == 0) {
        throw CLI::RequiredError("--channel (or --ip HOST --family plc5|slc5)");
    }
    if (!o.ip.empty() && a.family->count() == 0) throw CLI::RequiredError("--family");
    if (o.ip.empty() && a.family->count() > 0) {
        throw CLI::ValidationError("--family", "only with --ip: the node file gives the family");
    }
    o.kindGiven = a.kind->count() > 0;
    if (a.timeoutMsOption->count() > 0) o.timeoutCs = (o.timeoutMs + 9) / 10;
    std::vector<ordax_cli::Gate> gates;
    std::string wrong = ordax_cli::ResolveFor(o, &gates);
    if (wrong.empty() && !o.values.empty()) wrong = ordax_cli::CheckValues(gates[0].kind, o.values);
    if (!wrong.empty()) throw CLI::ValidationError("address", wrong);
}

void AddReadOptions(CLI::App *command, ordax_cli::AccessOptions &options) {
    command->add_option("--count", options.count, "Values per gate; above 1 a block read")
        ->capture_default_str()
        ->check(CLI::Range(1, 1000));
    command->add_option("address", options.addresses, kAddressHelp)->required();
}

// The subcommand the error belongs to: the innermost one that was named.
CLI::App *Innermost(CLI::App &app) {
    CLI::App *current = &app;
    while (!current->get_subcommands().empty()) current = current->get_subcommands().front();
    return current;
}

int UsageError(CLI::App &app, const std::string &what) {
    std::fprintf(stderr, "ordax: %s\n\n%s", what.c_str(), Innermost(app)->help().c_str());
    return kUsageError;
}

// Every subcommand with its options.
struct Cli {
    CLI::App app{
        "ordax - command-line host of the Ordax driver (PLC-5/E, SLC 5/05 over "
        "Ethernet)"};
    ordax_cli::CheckOptions check;
    ordax_cli::ParseOptions parse;
    ordax_cli::AccessOptions read, write, monitor;
    ordax_cli::ProbeOptions probe;
    ordax_cli::DemoOptions demo;
    std::string writeAddress;
    CLI::App *checkCommand = nullptr, *parseCommand = nullptr, *probeCommand = nullptr,
             *demoCommand = nullptr;
    CLI::Option *parseKind = nullptr;
    AccessCommand readAccess{}, writeAccess{}, monitorAccess{};
};

void AddCheck(Cli &cli) {
    cli.checkCommand = cli.app.add_subcommand(
        "check",
        "Open a node file on a scratch channel (command 1, not connecting), show its "
        "stations and timings and warn about lines the driver reads differently "
        "from what they seem to say");
    CLI::Option_group *source =
        cli.checkCommand->add_option_group("node file", "FILE or --channel");
    source->add_option("file", cli.check.file, "Node file to check, any name");
    source
        ->add_option("--channel", cli.check.channel,
                     "Check OrdaxNN.int of this channel in the current directory")
        ->check(CLI::Range(0, 9999));
    source->require_option(1);
    cli.checkCommand->add_flag("--strict", cli.check.strict,
                               "Exit 1 when an accepted file has warnings");
}

void AddParse(Cli &cli) {
    CLI::App *command = cli.app.add_subcommand(
        "parse", "Decode a gate address as commands 3 and 4 do, for a station of the family");
    cli.parseCommand = command;
    command->add_option("address", cli.parse.address, kAddressHelp)->required();
    command->add_option("--family", cli.parse.slc5, "Family of the station: plc5 or slc5")
        ->required()
        ->transform(kFamilyName)
        ->type_name(kFamilyType);
    cli.parseKind = AddKind(command, cli.parse.kind);
    command->add_option("--station", cli.parse.station, "Station of a processor address")
        ->capture_default_str()
        ->check(CLI::Range(0, 99));
    command
        ->add_option("--block", cli.parse.blockLength,
                     "Parse as a block of N values (command 4) instead of one gate (command 3)")
        ->check(CLI::Range(1, 100000));
}

void AddReadWriteMonitor(Cli &cli) {
    CLI::App *read =
        cli.app.add_subcommand("read", "Open a channel and read gates (commands 1, 3/4, 5/6, 11)");
    cli.readAccess = AddAccess(read, cli.read);
    AddReadOptions(read, cli.read);

    CLI::App *write = cli.app.add_subcommand(
        "write", "Open a channel and write one gate or block (commands 1, 3/4, 7/10, 11)");
    cli.writeAccess = AddAccess(write, cli.write);
    // One address, then the values: a single string takes exactly one argument, so the
    // values that follow are never taken for further addresses.
    write->add_option("address", cli.writeAddress, kAddressHelp)->required();
    write->add_option("values", cli.write.values, "Value(s); several make a block write")
        ->required();

    CLI::App *monitor = cli.app.add_subcommand(
        "monitor", "Read gates every interval until Ctrl-C, then close the channel");
    cli.monitorAccess = AddAccess(monitor, cli.monitor);
    AddReadOptions(monitor, cli.monitor);
    monitor->add_option("--interval-ms", cli.monitor.intervalMs, "Time between reads")
        ->capture_default_str()
        ->check(CLI::Range(10, 3600000));
    monitor
        ->add_option("--format", cli.monitor.format,
                     "table (one line per round), csv or jsonl (one record per gate and "
                     "round, the driver's messages on stderr)")
        ->transform(CLI::CheckedTransformer(kFormats, CLI::ignore_case));
}

void AddProbe(Cli &cli) {
    CLI::App *command = cli.app.add_subcommand(
        "probe",
        "Find out, without a node file, whether a processor answers at HOST, its family, whether "
        "it is the master of a hot-backup pair, and the time of a one-word read");
    cli.probeCommand = command;
    command->add_option("host", cli.probe.host, "IP address or name of the processor")
        ->required()
        ->check(kNodeLineHost);
    command->add_option("--count", cli.probe.count, "One-word reads to time")
        ->capture_default_str()
        ->check(CLI::Range(1, 100000));
    command->add_option("--timeout-ms", cli.probe.timeoutMs, "Reply time-out in ms")
        ->capture_default_str()
        ->check(CLI::Range(10, 1000000));
    command->add_option("--connect-ms", cli.probe.connectMs, "Connect and session time-outs in ms")
        ->capture_default_str()
        ->check(CLI::Range(100, 60000));
}

void AddDemo(Cli &cli) {
    CLI::App *command = cli.app.add_subcommand(
        "demo",
        "Read and write a simulated PLC-5/E, SLC 5/05 and PLC-5 hot-backup pair started in this "
        "process, and follow the pair through a switch of its master");
    cli.demoCommand = command;
    ordax_cli::DemoOptions &demo = cli.demo;
    command->add_option("--plc5-ip", demo.plc5Ip, "Loopback address of the PLC-5/E")
        ->capture_default_str();
    command->add_option("--slc5-ip", demo.slc5Ip, "Loopback address of the SLC 5/05")
        ->capture_default_str();
    command->add_option("--pair-ip", demo.pairBaseIp, "Loopback address of the pair's master")
        ->capture_default_str();
    command
        ->add_option("--standby-ip", demo.pairStandbyIp,
                     "Loopback address of the pair's standby processor")
        ->capture_default_str();
    command->add_flag("--wire-log", demo.wireLog,
                      "Print every frame the simulated processors received and sent "
                      "(hex and decoded) after the demo");
}

// What the command line left to check, once CLI11 has read it.
void Settle(Cli &cli) {
    cli.parse.kindGiven = cli.parseKind->count() > 0;
    if (cli.parseCommand->parsed() && ordax_cli::LooksLikeProcessorAddress(cli.parse.address)) {
        ordax_cli::GateAddress gate{};
        const std::string wrong =
            ordax_cli::ToGateAddress(cli.parse.address, cli.parse.station, cli.parse.slc5, &gate);
        if (!wrong.empty()) throw CLI::ValidationError("address", wrong);
    }
    if (cli.writeAccess.app->parsed()) cli.write.addresses = {cli.writeAddress};
    for (AccessCommand *a : {&cli.readAccess, &cli.writeAccess, &cli.monitorAccess}) {
        if (a->app->parsed()) Settle(*a);
    }
}

// The driver opens ORDAX_TRACE at command 1, which the tool runs in a
// scratch directory for --ip, probe, parse and check: a relative path is
// made absolute first, so the trace lands where the user asked.
void AnchorTracePath() {
    const char *trace = std::getenv("ORDAX_TRACE");
    if (trace == nullptr || trace[0] == '\0' || trace[0] == '/') return;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(trace, error);
    if (!error) ::setenv("ORDAX_TRACE", absolute.c_str(), 1);
}

int Run(Cli &cli) {
    AnchorTracePath();
    if (cli.checkCommand->parsed()) return ordax_cli::Check(cli.check);
    if (cli.parseCommand->parsed()) return ordax_cli::Parse(cli.parse);
    if (cli.readAccess.app->parsed()) return ordax_cli::Read(cli.read);
    if (cli.writeAccess.app->parsed()) return ordax_cli::Write(cli.write);
    if (cli.monitorAccess.app->parsed()) return ordax_cli::Monitor(cli.monitor);
    if (cli.demoCommand->parsed()) return ordax_cli::Demo(cli.demo);
    if (cli.probeCommand->parsed()) return ordax_cli::Probe(cli.probe);
    return ordax_cli::Describe();
}

}  // namespace

int main(int argc, char **argv) {
    Cli cli;
    cli.app.name("ordax");
    cli.app.footer(kExitCodes);
    cli.app.require_subcommand(1);
    cli.app.add_subcommand("describe", "Print the driver's description and banner (command 14)");
    AddCheck(cli);
    AddParse(cli);
    AddReadWriteMonitor(cli);
    AddProbe(cli);
    AddDemo(cli);
    try {
        cli.app.parse(argc, argv);
        Settle(cli);
    } catch (const CLI::ParseError &e) {
        if (e.get_exit_code() == 0) return cli.app.exit(e);
        return UsageError(cli.app, e.what());
    }
    try {
        return Run(cli);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "ordax: %s\n", e.what());
        return PDX_LINK_ERROR;
    }
}
