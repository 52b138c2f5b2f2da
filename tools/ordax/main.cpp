// ordax: command-line host of the driver. Every subcommand works through
// PdxMain and the host records of ordax.h, and the host library's sinks.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "ordax.h"
#include "tools/ordax/access.h"
#include "tools/ordax/commands.h"
#include "tools/ordax/cp437.h"
#include "tools/ordax/driver.h"

namespace ordax_cli {

std::int32_t GateTypeOf(GateKind kind) {
    switch (kind) {
        case GateKind::kReal:
            return PDX_GATE_REAL;
        case GateKind::kDigital:
            return PDX_GATE_DIGITAL;
        case GateKind::kString:
            return PDX_GATE_STRING;
        case GateKind::kWord:
            break;
    }
    return 0;  // any other value is a word gate
}

const char *KindName(GateKind kind) {
    switch (kind) {
        case GateKind::kReal:
            return "real";
        case GateKind::kDigital:
            return "digital";
        case GateKind::kString:
            return "string";
        case GateKind::kWord:
            break;
    }
    return "word";
}

int Describe() {
    DriverInfo info{};
    const int result = DescribeDriver(info);
    if (result != PDX_DONE) {
        std::fprintf(stderr, "ordax: describe failed with %d\n", result);
        return result;
    }
    std::printf("%s", Cp437ToUtf8(info.banner).c_str());
    std::printf("\n%s\nchannel block: %d bytes\n", info.description, info.contextSize);
    return PDX_DONE;
}

}  // namespace ordax_cli

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

void AddKind(CLI::App *command, GateKind &kind) {
    command->add_option("--kind", kind, "Gate kind: word, real, digital or string")
        ->required()
        ->transform(CLI::CheckedTransformer(kKinds, CLI::ignore_case));
}

void AddChannel(CLI::App *command, ordax_cli::AccessOptions &options) {
    command
        ->add_option("--channel", options.channel,
                     "Channel number; its node file OrdaxNN.int is read from the current "
                     "directory")
        ->required()
        ->check(CLI::Range(0, 9999));
    command->add_option("--timeout-cs", options.timeoutCs, "Reply time-out in units of 10 ms")
        ->capture_default_str()
        ->check(CLI::Range(1, 100000));
}

void AddReadOptions(CLI::App *command, ordax_cli::AccessOptions &options) {
    AddChannel(command, options);
    AddKind(command, options.kind);
    command->add_option("--count", options.count, "Values per gate; above 1 a block read")
        ->capture_default_str()
        ->check(CLI::Range(1, 1000));
    command->add_option("address", options.addresses, "Gate addresses, e.g. 05N007012")->required();
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

}  // namespace

int main(int argc, char **argv) {
    CLI::App app{
        "ordax - command-line host of the Ordax driver (PLC-5/E, SLC 5/05 over "
        "Ethernet)"};
    app.name("ordax");
    app.footer(kExitCodes);
    app.require_subcommand(1);

    app.add_subcommand("describe", "Print the driver's description and banner (command 14)");

    ordax_cli::CheckOptions check;
    CLI::App *checkCommand = app.add_subcommand(
        "check",
        "Open a node file on a scratch channel (command 1, not connecting), show its "
        "stations and timings and warn about lines the driver reads differently "
        "from what they seem to say");
    CLI::Option_group *source = checkCommand->add_option_group("node file", "FILE or --channel");
    source->add_option("file", check.file, "Node file to check, any name");
    source
        ->add_option("--channel", check.channel,
                     "Check OrdaxNN.int of this channel in the current directory")
        ->check(CLI::Range(0, 9999));
    source->require_option(1);
    checkCommand->add_flag("--strict", check.strict, "Exit 1 when an accepted file has warnings");

    ordax_cli::ParseOptions parse;
    CLI::App *parseCommand = app.add_subcommand(
        "parse", "Decode a gate address as commands 3 and 4 do, for a station of the family");
    parseCommand->add_option("address", parse.address, "Gate address, e.g. 05N007012")->required();
    parseCommand->add_option("--family", parse.slc5, "Family of the station: plc5 or slc5")
        ->required()
        ->transform(CLI::CheckedTransformer(kFamilies, CLI::ignore_case));
    AddKind(parseCommand, parse.kind);
    parseCommand
        ->add_option("--block", parse.blockLength,
                     "Parse as a block of N values (command 4) instead of one gate (command 3)")
        ->check(CLI::Range(1, 100000));

    ordax_cli::AccessOptions read;
    CLI::App *readCommand =
        app.add_subcommand("read", "Open a channel and read gates (commands 1, 3/4, 5/6, 11)");
    AddReadOptions(readCommand, read);

    ordax_cli::AccessOptions write;
    CLI::App *writeCommand = app.add_subcommand(
        "write", "Open a channel and write one gate or block (commands 1, 3/4, 7/10, 11)");
    AddChannel(writeCommand, write);
    AddKind(writeCommand, write.kind);
    // One address, then the values: a single string takes exactly one argument, so the
    // values that follow are never taken for further addresses.
    std::string writeAddress;
    writeCommand->add_option("address", writeAddress, "Gate address, e.g. 05N007012")->required();
    writeCommand->add_option("values", write.values, "Value(s); several make a block write")
        ->required();

    ordax_cli::AccessOptions monitor;
    CLI::App *monitorCommand = app.add_subcommand(
        "monitor", "Read gates every interval until Ctrl-C, then close the channel");
    AddReadOptions(monitorCommand, monitor);
    monitorCommand->add_option("--interval-ms", monitor.intervalMs, "Time between reads")
        ->capture_default_str()
        ->check(CLI::Range(10, 3600000));

    ordax_cli::DemoOptions demo;
    CLI::App *demoCommand = app.add_subcommand(
        "demo",
        "Read and write a simulated PLC-5/E, SLC 5/05 and PLC-5 hot-backup pair started in this "
        "process, and follow the pair through a switch of its master");
    demoCommand->add_option("--plc5-ip", demo.plc5Ip, "Loopback address of the PLC-5/E")
        ->capture_default_str();
    demoCommand->add_option("--slc5-ip", demo.slc5Ip, "Loopback address of the SLC 5/05")
        ->capture_default_str();
    demoCommand->add_option("--pair-ip", demo.pairBaseIp, "Loopback address of the pair's master")
        ->capture_default_str();
    demoCommand
        ->add_option("--standby-ip", demo.pairStandbyIp,
                     "Loopback address of the pair's standby processor")
        ->capture_default_str();
    demoCommand->add_flag("--wire-log", demo.wireLog,
                          "Print every frame the simulated processors received and sent "
                          "(hex and decoded) after the demo");

    try {
        app.parse(argc, argv);
        if (writeCommand->parsed()) {
            write.addresses = {writeAddress};
            const std::string wrong = ordax_cli::CheckValues(write.kind, write.values);
            if (!wrong.empty()) throw CLI::ValidationError("values", wrong);
        }
    } catch (const CLI::ParseError &e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        return UsageError(app, e.what());
    }

    try {
        if (checkCommand->parsed()) return ordax_cli::Check(check);
        if (parseCommand->parsed()) return ordax_cli::Parse(parse);
        if (readCommand->parsed()) return ordax_cli::Read(read);
        if (writeCommand->parsed()) return ordax_cli::Write(write);
        if (monitorCommand->parsed()) return ordax_cli::Monitor(monitor);
        if (demoCommand->parsed()) return ordax_cli::Demo(demo);
        return ordax_cli::Describe();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "ordax: %s\n", e.what());
        return PDX_LINK_ERROR;
    }
}
