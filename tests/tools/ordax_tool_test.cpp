// The ordax program as a host's operator runs it: each test starts the
// built program as a child process and checks its output and exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "testkit/scratch_dir.h"
#include "tools/plcsim/plcsim.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// A private directory for node files and the child's output.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.ok()) << scratch_.error();
        dir_ = scratch_.path();
    }

    fs::path Write(const std::string &name, const std::string &text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }

    // Starts ordax with `args` in the test's directory, its output going to
    // files (not a terminal).
    pid_t Start(const std::vector<std::string> &args, const char *program = ORDAX_TOOL) {
        const fs::path out = dir_ / "stdout.txt";
        const fs::path err = dir_ / "stderr.txt";
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir_.c_str()) != 0) ::_exit(125);
            if (!std::freopen(out.c_str(), "w", stdout)) ::_exit(125);
            if (!std::freopen(err.c_str(), "w", stderr)) ::_exit(125);
            std::vector<char *> argv;
#ifdef ORDAX_EMULATOR
            // A build this machine cannot run itself: the program runs under
            // the emulator, as ctest runs the test program.
            argv.push_back(const_cast<char *>(ORDAX_EMULATOR));
#endif
            argv.push_back(const_cast<char *>(program));
            for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(126);
        }
        return pid;
    }

    // Waits for the child's end; -1 unless it exited.
    ToolRun Finish(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_ / "stdout.txt"),
                Slurp(dir_ / "stderr.txt")};
    }

    // Runs ordax with `args` in the test's directory.
    ToolRun Ordax(const std::vector<std::string> &args) {
        return Finish(Start(args));
    }

    // Waits (generously) until the running child's output holds `part`
    // after offset `from`; returns the offset past it, or npos.
    std::size_t AwaitOutput(const std::string &part, std::size_t from = 0) {
        for (int i = 0; i < 1000; ++i) {
            const std::string out = Slurp(dir_ / "stdout.txt");
            const std::size_t at = out.find(part, from);
            if (at != std::string::npos) return at + part.size();
            ::usleep(20000);
        }
        return std::string::npos;
    }

    ordax_test::ScratchDir scratch_{"ordax-tool-test"};  // removed with the fixture
    fs::path dir_;
};

bool Has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

#ifdef ORDAX_EMULATOR
// Why the tests that end a threaded child with a signal cannot run under the
// emulator: qemu-i386 (7.2) resumes a thread whose signal handler returns
// with the thread-local storage of the process's newest thread, so the
// monitor's close after Ctrl-C looks like a call from the channel thread.
constexpr char kSignalledChildUnderEmulator[] =
    "qemu-i386 gives a thread back another thread's thread-local storage once a signal "
    "handler returns; the monitor ended by a signal runs in the native builds";
#endif

// ---- describe

TEST_F(ToolTest, DescribePrintsDescriptionBannerAndBlockSize) {
    ToolRun r = Ordax({"describe"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Has(r.out, "\nAllen Bradley PLC-5/E, SLC5/05\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "channel block: 20000 bytes")) << r.out;
    EXPECT_TRUE(Has(r.out, "\u2554\u2550")) << "banner corners as UTF-8: " << r.out;
}

// ---- check

constexpr char kGoodFile[] =
    "* two stations and a hot-backup pair\r\n"
    "T 1000; 300; 4000; 6000;\r\n"
    "01 = 10.1.1.1\r\n"
    "02 = plc2-SLC5\r\n"
    "15 = 10.1.1.15-PLC5, 10,1,1,16 ; SLC5\r\n";

TEST_F(ToolTest, CheckShowsDriverStationsAndTimingsOfAGoodFile) {
    Write("line.int", kGoodFile);
    ToolRun r = Ordax({"check", "line.int"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "  01      PLC-5  10.1.1.1 ")) << r.out;
    EXPECT_TRUE(Has(r.out, "  02      SLC 5  plc2 ")) << r.out;
    EXPECT_TRUE(Has(r.out, "  15      PLC-5  10.1.1.15 ")) << r.out;
    EXPECT_TRUE(Has(r.out, "10.1.1.16 (SLC 5)")) << r.out;
    EXPECT_TRUE(Has(r.out, "supervise 1000, loop sleep 300, connect 4000, session 6000")) << r.out;
    EXPECT_FALSE(Has(r.out, "warning")) << r.out;
    EXPECT_FALSE(Has(r.out, "note:")) << r.out;
    EXPECT_TRUE(Has(r.out, "\naccepted\n")) << r.out;
}

TEST_F(ToolTest, CheckByChannelReadsThatChannelsFileInTheCurrentDirectory) {
    Write("Ordax07.int", "33=10.3.3.3-SLC5\n");
    Write("Ordax01.int", "44=10.4.4.4\n");
    ToolRun r = Ordax({"check", "--channel", "7"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "  33      SLC 5  10.3.3.3")) << r.out;
    EXPECT_FALSE(Has(r.out, "  44 ")) << r.out;
}

struct RefusedFile {
    const char *name;
    const char *text;  // nullptr: no file at all
    const char *expected;
};

TEST_F(ToolTest, CheckReportsFilesTheDriverRefusesWithExit2) {
    const RefusedFile cases[] = {
        {"missing", nullptr, "driver: [32] Ordax : File Ordax01.int not found !"},
        {"comments only", "* nothing here\nt1;2;3;4;\n", "it has no usable station line"},
        {"only skipped station lines", "05=\n06=-;\n", "it has no usable station line"},
        {"empty", "", "it has no usable station line"},
    };
    for (const RefusedFile &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir_ / "node.int");
        if (c.text != nullptr) Write("node.int", c.text);
        ToolRun r = Ordax({"check", "node.int"});
        EXPECT_EQ(r.exitCode, 2) << r.out;
        EXPECT_TRUE(Has(r.out, c.expected)) << r.out;
        EXPECT_TRUE(Has(r.out, "refused")) << r.out;
        EXPECT_FALSE(Has(r.out, "stations (accepted")) << r.out;
    }
}

struct WarningCase {
    const char *line;     // the file's second line; the first is "01=10.0.0.1"
    const char *warning;  // expected on line 2
    const char *row;      // a station row the driver's verdict shows, or nullptr
};

TEST_F(ToolTest, CheckWarnsAboutLinesReadOtherwiseThanTheyLook) {
    const std::string longName(32, 'h');
    const std::string longLine = "* " + std::string(140, '*') + "\n";
    const WarningCase cases[] = {
        {"9=10.0.0.9", "one-digit station: read as station 09 with the address '0.0.0.9'",
         "  09      PLC-5  0.0.0.9 "},
        {"123=10.0.0.3", "the third character '3' is the separator: read as station 12",
         "  12      PLC-5  10.0.0.3 "},
        {"t1000;250;5000;5000;", "lower-case 't': read as a comment", nullptr},
        {"04=10.0.0.4-SLC500", "type text 'SLC500' is neither SLC5 nor PLC5: read as PLC-5",
         "  04      PLC-5  10.0.0.4 "},
        {"04=plc-north-SLC5",
         "'-' splits the address: read as the address 'plc' with the type text 'SLC5' (SLC 5)",
         "  04      SLC 5  plc "},
        {"04=plc-north",
         "'-' splits the address: read as the address 'plc' with the type text 'north' (PLC-5)",
         "  04      PLC-5  plc "},
        {"04=10.0.0.4,10.0.0.5-SLC5", "the '-' after the standby address sets the base",
         "  04      SLC 5  10.0.0.4 "},
        {"04=10.0.0.4;SLC5", "';SLC5' without a ',standby' address has no effect",
         "  04      PLC-5  10.0.0.4 "},
        {"04=10.0.0.4,10.0.0.5;SLC", "standby type text 'SLC' is neither", nullptr},
        {"01=10.0.0.2-SLC5", "station 01 is given again (first on line 1): this line wins",
         "  01      SLC 5  10.0.0.2 "},
        {"04=", "line skipped: no address after the separator", nullptr},
        {"4", "line skipped: no address after the separator", nullptr},
        {nullptr,
         "line skipped: the address 'hhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhh' is longer than 31 "
         "characters",
         nullptr},
        {"T1000;300", "timing value '300' has no closing ';': ignored", nullptr},
        {"T1000;100;2000;-1;", "session time-out '-1' is taken as 60000 ms",
         "supervise 1000, loop sleep 100, connect 2000, session 60000"},
        {"T;;60001;;", "connect time-out '60001' is taken as 60000 ms",
         "connect 60000, session 5000"},
    };
    for (const WarningCase &c : cases) {
        const std::string line = c.line != nullptr ? c.line : "04=" + longName;
        SCOPED_TRACE(line);
        Write("node.int", "01=10.0.0.1\n" + line + "\n");
        ToolRun r = Ordax({"check", "node.int"});
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_TRUE(Has(r.out, std::string("node.int:2: warning: ") + c.warning)) << r.out;
        if (c.row != nullptr) {
            EXPECT_TRUE(Has(r.out, c.row)) << r.out;
        }
        EXPECT_FALSE(Has(r.out, "note:")) << "tool and driver disagree: " << r.out;
        EXPECT_TRUE(Has(r.out, "accepted, with warnings")) << r.out;
    }
    Write("node.int", "01=10.0.0.1\n" + longLine);
    EXPECT_TRUE(Has(Ordax({"check", "node.int"}).out, "node.int:2: warning: line longer than 135"));
}

TEST_F(ToolTest, CheckStrictTurnsWarningsIntoExit1) {
    Write("warned.int", "1=10.0.0.1\n");
    Write("clean.int", "01=10.0.0.1\n");
    EXPECT_EQ(Ordax({"check", "--strict", "warned.int"}).exitCode, 1);
    EXPECT_EQ(Ordax({"check", "--strict", "clean.int"}).exitCode, 0);
    EXPECT_EQ(Ordax({"check", "warned.int"}).exitCode, 0);
}

TEST_F(ToolTest, CheckNeverConnectsToTheStations) {
    plcsim::Simulator sim;
    plcsim::StationConfig config;
    config.ip = "127.0.0.100";
    const int station = sim.AddStation(config);
    ASSERT_GE(station, 0) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    Write("node.int", "01=127.0.0.100\n");
    ToolRun r = Ordax({"check", "node.int"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "  01      PLC-5  127.0.0.100")) << r.out;
    EXPECT_EQ(sim.station(station).counters().connections, 0u);
    sim.Stop();
}

// ---- parse

struct ParseCase {
    std::vector<std::string> args;  // after "parse"
    int exitCode;
    std::vector<std::string> expected;  // lines or parts of the output
};

TEST_F(ToolTest, ParsePrintsTheDecodedFieldsOfAcceptedAddresses) {
    const ParseCase cases[] = {
        {{"05N007012", "--family", "plc5", "--kind", "word"},
         0,
         {"station       05\n", "file type     N\n", "file          7\n", "element       12\n",
          "sub-element   0\n", "bit           none\n", "value bits    16\n",
          "packed        0x0000700C\n"}},
        {{"05I00001217", "--family", "PLC5", "--kind", "digital"},
         0,
         {"file type     I\n", "element       10\n", "bit           15\n",
          "packed        0x0000000A\n"}},
        {{"05I0010030005", "--family", "slc5", "--kind", "digital"},
         0,
         {"file          1\n", "element       3\n", "sub-element   0\n", "bit           5\n"}},
        {{"05F008003", "--family", "slc5", "--kind", "real"},
         0,
         {"file type     F\n", "value bits    32\n", "packed        0x00008003\n"}},
        {{"05P00900002", "--family", "plc5", "--kind", "real"},
         0,
         {"sub-element   2\n", "value bits    32\n", "packed        0x02009000\n"}},
        {{"05T0040010013", "--family", "slc5", "--kind", "digital"},
         0,
         {"file type     T\n", "element       1\n", "bit           13\n"}},
        {{"05G009001", "--family", "plc5", "--kind", "string"}, 0, {"file type     G\n"}},
        {{"05X01002020", "--family", "plc5", "--kind", "string"}, 0, {"station       05\n"}},
        {{"88I0010030005", "--family", "slc5", "--kind", "digital"}, 0, {"station       88\n"}},
        {{"08N007000", "--family", "plc5", "--kind", "word"}, 0, {"station       08\n"}},
        {{"99T0040010013", "--family", "slc5", "--kind", "digital"},
         0,
         {"station       99\n", "bit           13\n"}},
        {{"05N007000", "--family", "slc5", "--kind", "word", "--block", "256"},
         0,
         {"block of 256 word values (command 4)", "packed        0x00007000\n"}},
        // Processor addresses, for --station (01 without it), the kind they imply.
        {{"T4:1/DN", "--family", "slc5"},
         0,
         {"address       01T0040010013\n", "processor     T4:1/DN\n", "digital gate"}},
        {{"N7:0,10", "--family", "plc5", "--station", "12"},
         0,
         {"address       12N007000\n", "block of 10 word values"}},
        {{"05F008003", "--family", "plc5"}, 0, {"processor     F8:3\n", "real gate"}},
    };
    for (const ParseCase &c : cases) {
        SCOPED_TRACE(c.args.front());
        std::vector<std::string> args{"parse"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ToolRun r = Ordax(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "result        0 accepted\n")) << r.out;
        for (const std::string &e : c.expected) EXPECT_TRUE(Has(r.out, e)) << e << " in " << r.out;
    }
}

TEST_F(ToolTest, ParseShowsRejectionsWithTheDriversMessageAndExit1) {
    const ParseCase cases[] = {
        {{"08I00001817", "--family", "plc5", "--kind", "digital"},
         1,
         {"driver: [8] Ordax : Parse invalid character in gate address !!!\n"}},
        {{"05P00900002", "--family", "slc5", "--kind", "real"},
         1,
         {"driver: [8] Ordax : Parse invalid character in gate address !!!\n"}},
        {{"05B00301016", "--family", "plc5", "--kind", "digital"}, 1, {"driver: no message\n"}},
        {{"05F008003", "--family", "slc5", "--kind", "word"}, 1, {"driver: no message\n"}},
        {{"05X01002020", "--family", "slc5", "--kind", "word"},
         1,
         {"Ordax Od-parse Must use String gate with 'X' or 'Y' File type\n"}},
        {{"05X01002020", "--family", "plc5", "--kind", "word", "--block", "2"},
         1,
         {"'X' or 'Y' File type not allowed in Blocks use 'N'\n"}},
        {{"05N007000", "--family", "slc5", "--kind", "word", "--block", "257"},
         1,
         {"driver: no message\n"}},
        {{"05N007000", "--family", "plc5", "--kind", "word", "--block", "1001"},
         1,
         {"driver: no message\n"}},
    };
    for (const ParseCase &c : cases) {
        SCOPED_TRACE(c.args.front());
        std::vector<std::string> args{"parse"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ToolRun r = Ordax(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "rejected\n")) << r.out;
        EXPECT_FALSE(Has(r.out, "packed")) << r.out;
        for (const std::string &e : c.expected) EXPECT_TRUE(Has(r.out, e)) << e << " in " << r.out;
    }
}

// ---- arguments

TEST_F(ToolTest, WrongArgumentsGiveTheReasonAndTheUsageWithExit2) {
    // The arguments, and a part of the reason when the row checks it.
    const struct {
        std::vector<std::string> args;
        const char *says;
    } cases[] = {
        {{}, nullptr},
        {{"frobnicate"}, nullptr},
        {{"describe", "extra"}, nullptr},
        {{"check"}, nullptr},
        {{"check", "a.int", "--channel", "3"}, nullptr},
        {{"check", "--channel", "-1"}, nullptr},
        {{"parse", "--family", "plc5", "--kind", "word"}, nullptr},
        {{"parse", "05N007000", "--family", "plc6", "--kind", "word"}, nullptr},
        {{"parse", "05N007000", "--family", "plc5", "--kind", "float"}, nullptr},
        {{"parse", "05N007000", "--family", "plc5", "--station", "100"}, nullptr},
        {{"parse", "05N007000", "--family", "plc5", "--kind", "word", "--block", "0"}, nullptr},
        {{"read", "--kind", "word", "05N007000"}, nullptr},
        {{"read", "--channel", "1", "--kind", "word"}, nullptr},
        {{"read", "--channel", "1", "--kind", "word", "--count", "0", "05N007000"}, nullptr},
        {{"write", "--channel", "1", "--kind", "word", "05N007000"}, nullptr},
        {{"write", "--channel", "1", "--kind", "word", "05N007000", "70000"}, nullptr},
        {{"write", "--channel", "1", "--kind", "word", "05N007000", "12x"}, nullptr},
        {{"write", "--channel", "1", "--kind", "digital", "05B003000", "2"}, nullptr},
        {{"write", "--channel", "1", "--kind", "real", "05F008000", "pi"}, nullptr},
        {{"write", "--channel", "1", "--kind", "string", "05G009000", "a", "b"}, nullptr},
        {{"monitor", "--channel", "1", "--kind", "word", "--interval-ms", "0", "05N007000"},
         nullptr},
        {{"monitor", "--channel", "1", "--kind", "word", "--interval-ms", "fast", "05N007000"},
         nullptr},
        {{"monitor", "--channel", "1", "--kind", "word"}, nullptr},
        {{"monitor", "--kind", "word", "05N007000"}, nullptr},
        {{"monitor", "--channel", "1", "--format", "xml", "05N007000"}, nullptr},
        {{"read", "--ip", "127.0.0.1", "N7:0"}, nullptr},
        {{"read", "--channel", "1", "--family", "plc5", "N7:0"}, nullptr},
        {{"read", "--channel", "1", "--ip", "127.0.0.1", "--family", "plc5", "N7:0"}, nullptr},
        {{"read", "--channel", "1", "--station", "1", "Q7:0"}, nullptr},
        {{"read", "--channel", "1", "--station", "1", "N7:0/16"}, nullptr},
        {{"read", "--channel", "1", "--timeout-cs", "5", "--timeout-ms", "50", "05N007000"},
         nullptr},
        {{"write", "--channel", "1", "--station", "1", "B3/7", "2"}, nullptr},
        {{"write", "--channel", "1", "--station", "1", "F8:0", "pi"}, nullptr},
        {{"monitor", "--channel", "1", "--kind", "float", "05N007000"}, nullptr},
        {{"monitor", "--channel", "1", "--kind", "word", "--count", "1001", "05N007000"}, nullptr},
        {{"monitor", "--channel", "1", "--kind", "word", "--timeout-cs", "0", "05N007000"},
         nullptr},
        {{"demo", "--plc5-ip"}, nullptr},
        // A processor address without its element, in every command that takes one.
        {{"parse", "T4/DN", "--family", "plc5"}, "no element in 'T4/DN': write T4:ELEMENT/DN"},
        {{"parse", "I/3", "--family", "slc5"}, "no element in 'I/3': write I:ELEMENT/3"},
        {{"write", "--channel", "1", "--station", "1", "T4/EN", "1"}, "no element in 'T4/EN'"},
        {{"monitor", "--channel", "1", "--station", "1", "I/3"}, "no element in 'I/3'"},
        {{"read", "--channel", "1", "--station", "1", "N7/3"}, "no element in 'N7/3'"},
        // --family takes the two names its help shows, nothing else.
        {{"parse", "05N007000", "--family", "1", "--kind", "word"}, "'1': plc5 or slc5"},
        {{"read", "--ip", "127.0.0.1", "--family", "0", "N7:0"}, "'0': plc5 or slc5"},
        // A HOST that a node line cannot hold whole, named whole.
        {{"probe", "no-such-host"}, "'no-such-host': '-' in a node line starts the station's type"},
        {{"probe", "plc,north"}, "'plc,north': ',' in a node line starts the standby address"},
        {{"probe", "plc;north"}, "'plc;north': ';' in a node line starts the standby's type"},
        {{"probe", "plc north"}, "'plc north': a node line drops blanks"},
        {{"probe", "_plc"}, "'_plc': a node line's address starts with a letter or a digit"},
        {{"probe", ""}, "no host name"},
        {{"probe", "p123456789012345678901234567890x"},
         "'p123456789012345678901234567890x': 32 characters, a node line's address holds at most "
         "31"},
        {{"read", "--ip", "plc-north", "--family", "plc5", "N7:0"}, "'plc-north': '-'"},
    };
    for (const auto &c : cases) {
        std::string joined;
        for (const std::string &a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        ToolRun r = Ordax(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err.rfind("ordax: ", 0), 0u) << r.err;
        if (c.says != nullptr) {
            EXPECT_TRUE(Has(r.err, c.says)) << r.err;
        }
        EXPECT_TRUE(Has(r.err, "Usage: ")) << r.err;
        EXPECT_EQ(r.out, "") << "nothing may run";
    }
}

TEST_F(ToolTest, HelpNamesTheSubcommandsAndExitCodes) {
    ToolRun r = Ordax({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char *part : {"describe", "check", "parse", "read", "write", "monitor", "probe",
                             "demo", "0 done", "1 the request is wrong", "exit 2 as well"}) {
        EXPECT_TRUE(Has(r.out, part)) << part;
    }
    ToolRun sub = Ordax({"monitor", "--help"});
    EXPECT_EQ(sub.exitCode, 0);
    EXPECT_TRUE(Has(sub.out, "--interval-ms")) << sub.out;
    // --family shows the values it takes, not the type it is kept in.
    for (const char *command : {"parse", "read", "write", "monitor"}) {
        ToolRun help = Ordax({command, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(Has(help.out, "--family plc5|slc5")) << help.out;
        EXPECT_FALSE(Has(help.out, "BOOLEAN")) << help.out;
    }
}

// ---- read and write

struct AccessCase {
    std::vector<std::string> args;
    int exitCode;
    std::string expected;  // a part of the output
};

// Reads and writes through the driver against simulated stations; the
// values written are checked in the simulator's tables.
TEST_F(ToolTest, ReadAndWriteGoThroughTheDriverWithItsResultAsExitCode) {
    plcsim::Simulator sim;
    const int plc5 = sim.AddStation({"127.0.0.101", plcsim::Family::Plc5, "", 2222});
    const int slc5 = sim.AddStation({"127.0.0.102", plcsim::Family::Slc5, "", 2222});
    ASSERT_GE(plc5, 0) << sim.LastError();
    ASSERT_GE(slc5, 0) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    using plcsim::FileType;
    sim.station(slc5).SetWords({FileType::N, 7, 0, 0}, {10, 20, 30});
    sim.station(plc5).SetWord({FileType::B, 3, 0, 0}, 0x0008);
    Write("Ordax03.int",
          "T 5000; 20; 1000; 1000;\n01=127.0.0.101\n02=127.0.0.102-SLC5\n"
          "04=127.0.0.103\n");  // nobody listens at 127.0.0.103
    const std::vector<std::string> ch = {"--channel", "3"};
    auto with = [&](std::vector<std::string> head, std::initializer_list<std::string> tail) {
        head.insert(head.begin() + 1, ch.begin(), ch.end());
        head.insert(head.end(), tail);
        return head;
    };
    const AccessCase cases[] = {
        {with({"write"}, {"--kind", "word", "01N007005", "1234"}), 0, "01N007005: written"},
        {with({"read"}, {"--kind", "word", "01N007005"}), 0, "01N007005: 1234"},
        {with({"write"}, {"--kind", "real", "02F008001", "-2.5"}), 0, "02F008001: written"},
        {with({"read"}, {"--kind", "real", "02F008001"}), 0, "02F008001: -2.5"},
        {with({"read"}, {"--kind", "word", "--count", "3", "02N007000"}), 0, "02N007000: 10 20 30"},
        {with({"read"}, {"--kind", "digital", "01B00300003"}), 0, "01B00300003: 1"},
        {with({"write"}, {"--kind", "string", "02G009000", "Line 2"}), 0, "02G009000: written"},
        {with({"read"}, {"--kind", "string", "02G009000"}), 0, "02G009000: \"Line 2\""},
        {with({"read"}, {"--kind", "word", "01N050000"}), 1, "Ordax : Read Word Failed"},
        {with({"read"}, {"--kind", "word", "04N007000"}), 2,
         "Ordax : Read Word Failed Station not connected"},
        {with({"read"}, {"--kind", "word", "07N007000"}), 1, "address rejected (result 1)"},
        // Processor addresses, the kind implied by each address.
        {with({"write"}, {"--station", "1", "N7:6", "-7"}), 0, "N7:6: written"},
        {with({"read"}, {"--station", "1", "N7:5", "N7:6"}), 0, "N7:5: 1234\nN7:6: -7"},
        {with({"read"}, {"--station", "2", "N7:0,3", "F8:1"}), 0, "N7:0,3: 10 20 30\nF8:1: -2.5"},
        {with({"read"}, {"--station", "1", "B3/3", "B3:0/3"}), 0, "B3/3: 1\nB3:0/3: 1"},
        {with({"read"}, {"--station", "2", "ST9:0"}), 0, "ST9:0: \"Line 2\""},
        {with({"read"}, {"02F008001", "01B00300003"}), 0, "02F008001: -2.5\n01B00300003: 1"},
        {with({"read"}, {"--station", "1", "N50:0"}), 1, "N50:0: read failed (result 1)"},
        {{"read", "--ip", "127.0.0.102", "--family", "slc5", "--timeout-ms", "500", "N7:2"},
         0,
         "N7:2: 30"},
    };
    for (const AccessCase &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const ToolRun r = Ordax(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, c.expected)) << r.out;
    }
    EXPECT_EQ(
        sim.station(plc5).GetWords({FileType::N, 7, 5, 0}, 1).value_or(std::vector<uint16_t>{}),
        std::vector<uint16_t>{1234});
    EXPECT_EQ(sim.station(slc5).GetFloat({FileType::F, 8, 1, 0}), std::optional<float>(-2.5f));
    EXPECT_EQ(sim.station(slc5).GetString({FileType::ST, 9, 0, 0}),
              std::optional<std::string>("Line 2"));
    sim.Stop();
}

// ---- monitor

std::size_t Count(const std::string &text, const std::string &part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

struct MonitorCase {
    std::vector<std::string> args;  // after "monitor --channel 3 --interval-ms 50"
    std::string first;              // the poll line shows this first (after the time)
    std::function<void(plcsim::Simulator &)> change;  // then this is done in the simulator
    std::string after;                                // and the poll line follows it
    int signal;                                       // what ends the tool
    int exitCode;                                     // the last round's result
    std::string message;                              // a driver message under the poll line
};

// The monitor as an operator runs it into a file: one line per poll with
// every gate, the values following the simulator, and on Ctrl-C or SIGTERM
// the channel closed with the last round's result as exit code.
TEST_F(ToolTest, MonitorPollsOneLineARoundUntilInterruptedThenClosesTheChannel) {
#ifdef ORDAX_EMULATOR
    GTEST_SKIP() << kSignalledChildUnderEmulator;
#endif
    using plcsim::FileType;
    plcsim::Simulator sim;
    const int plc5 = sim.AddStation({"127.0.0.104", plcsim::Family::Plc5, "", 2222});
    const int slc5 = sim.AddStation({"127.0.0.105", plcsim::Family::Slc5, "", 2222});
    ASSERT_GE(plc5, 0) << sim.LastError();
    ASSERT_GE(slc5, 0) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    sim.station(plc5).SetWords({FileType::N, 7, 0, 0}, {11, 22});
    sim.station(slc5).SetFloat({FileType::F, 8, 2, 0}, 1.5f);
    sim.station(slc5).SetWords({FileType::N, 7, 10, 0}, {1, 2, 3});
    sim.station(plc5).SetWord({FileType::B, 3, 1, 0}, 0);
    Write("Ordax03.int",
          "T 5000; 20; 1000; 1000;\n01=127.0.0.104\n02=127.0.0.105-SLC5\n"
          "04=127.0.0.106\n");  // nobody listens at 127.0.0.106
    auto word = [&](int station, FileType type, int file, int element, std::uint16_t value) {
        return [=](plcsim::Simulator &s) {
            s.station(station).SetWord({type, file, element, 0}, value);
        };
    };
    const MonitorCase cases[] = {
        {{"--kind", "word", "01N007000", "01N007001"},
         "  01N007000: 11  01N007001: 22\n",
         word(plc5, FileType::N, 7, 1, 0xFFFF),
         "  01N007000: 11  01N007001: -1\n",
         SIGINT,
         0,
         ""},
        {{"--kind", "real", "02F008002"},
         "  02F008002: 1.5\n",
         [&](plcsim::Simulator &s) {
             s.station(slc5).SetFloat({FileType::F, 8, 2, 0}, -0.25f);
         },
         "  02F008002: -0.25\n",
         SIGTERM,
         0,
         ""},
        {{"--kind", "word", "--count", "3", "02N007010"},
         "  02N007010: 1 2 3\n",
         word(slc5, FileType::N, 7, 12, 300),
         "  02N007010: 1 2 300\n",
         SIGINT,
         0,
         ""},
        {{"--kind", "digital", "01B00300104"},
         "  01B00300104: 0\n",
         word(plc5, FileType::B, 3, 1, 0x0010),
         "  01B00300104: 1\n",
         SIGINT,
         0,
         ""},
        {{"--kind", "word", "01N007000", "04N007000"},
         "  01N007000: 11  04N007000: read failed (result 2)\n",
         word(plc5, FileType::N, 7, 0, 12),
         "  01N007000: 12  04N007000: read failed (result 2)\n",
         SIGINT,
         2,
         "\ndriver: [32] Ordax : Read Word Failed Station not connected\n"},
    };
    for (const MonitorCase &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> args{"monitor", "--channel", "3", "--interval-ms", "50"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const pid_t pid = Start(args);
        const std::size_t seen = AwaitOutput(c.first);
        EXPECT_NE(seen, std::string::npos) << Slurp(dir_ / "stdout.txt");
        c.change(sim);
        EXPECT_NE(AwaitOutput(c.after, seen == std::string::npos ? 0 : seen), std::string::npos)
            << Slurp(dir_ / "stdout.txt");
        ::kill(pid, c.signal);
        const ToolRun r = Finish(pid);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_EQ(r.err, "");

        // Poll lines, each "HH:MM:SS.mmm" and every gate once, then the close.
        std::istringstream lines(r.out);
        std::string line;
        int polls = 0;
        bool closing = false;
        std::vector<std::string> tail;
        while (std::getline(lines, line)) {
            if (line.rfind("driver: ", 0) == 0) continue;
            if (closing) {
                tail.push_back(line);
                continue;
            }
            if (line == "interrupted: closing channel 3") {
                closing = true;
                continue;
            }
            ++polls;
            EXPECT_EQ(line.find_first_not_of("0123456789:."), 12u) << line;
            EXPECT_EQ(Count(line, ": "), Count(c.first, ": ")) << line;
        }
        EXPECT_GE(polls, 2);
        EXPECT_TRUE(closing) << r.out;
        EXPECT_EQ(tail, std::vector<std::string>{"channel 3 closed (result 0)"}) << r.out;
        if (!c.message.empty()) {
            EXPECT_TRUE(Has(r.out, c.message)) << r.out;
        }
    }
    sim.Stop();
}

// The records of --format csv and jsonl: stdout holds only the header and
// one record per gate and round (time, address as written, gate address,
// result, values); the open, the close and the driver's messages go to
// stderr.
TEST_F(ToolTest, MonitorRecordsGoToStdoutAndTheRestToStderr) {
#ifdef ORDAX_EMULATOR
    GTEST_SKIP() << kSignalledChildUnderEmulator;
#endif
    plcsim::Simulator sim;
    const int plc5 = sim.AddStation({"127.0.0.107", plcsim::Family::Plc5, "", 2222});
    ASSERT_GE(plc5, 0) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    sim.station(plc5).SetWords({plcsim::FileType::N, 7, 0, 0}, {5, 6});
    const struct {
        const char *format;
        const char *record;  // after the time
        const char *header;
    } cases[] = {
        {"csv", ",\"N7:0,2\",01N007000,0,5,6", "time,address,gate,result,values"},
        {"jsonl", "\",\"address\":\"N7:0,2\",\"gate\":\"01N007000\",\"result\":0,\"values\":[5,6]}",
         nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.format);
        const pid_t pid = Start({"monitor", "--ip", "127.0.0.107", "--family", "plc5", "--format",
                                 c.format, "--interval-ms", "50", "N7:0,2"});
        EXPECT_NE(AwaitOutput(c.record), std::string::npos) << Slurp(dir_ / "stdout.txt");
        ::kill(pid, SIGINT);
        const ToolRun r = Finish(pid);
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.err, "driver: [8] Ordax : Connected to 127.0.0.107")) << r.err;
        EXPECT_TRUE(Has(r.err, "channel 1 closed (result 0)")) << r.err;
        std::istringstream lines(r.out);
        std::string line;
        int records = 0;
        while (std::getline(lines, line)) {
            if (c.header != nullptr && records == 0 && line == c.header) continue;
            ++records;
            EXPECT_TRUE(Has(line, c.record)) << line;
            EXPECT_EQ(line.find_first_not_of("0123456789-:.T\"{}time"), 23u + (c.header ? 0 : 10))
                << line;
        }
        EXPECT_GE(records, 1);
    }
    sim.Stop();
}

// ---- probe

// A PLC-5, an SLC 5, both processors of a PLC-5 pair and an address
// nobody listens at: the family each answers as, the master flag, the
// timed reads, and the driver's reason when nothing answers.
TEST_F(ToolTest, ProbeFindsFamilyAndMastershipWithoutANodeFile) {
    plcsim::Simulator sim;
    ASSERT_GE(sim.AddStation({"127.0.0.108", plcsim::Family::Plc5, "", 2222}), 0);
    ASSERT_GE(sim.AddStation({"127.0.0.109", plcsim::Family::Slc5, "", 2222}), 0);
    const int base = sim.AddStation({"127.0.0.110", plcsim::Family::Plc5, "N31:1", 2222});
    const int standby = sim.AddStation({"127.0.0.111", plcsim::Family::Plc5, "N31:1", 2222});
    ASSERT_GE(sim.AddHotBackupPair(base, standby), 0) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    const struct {
        const char *host;
        int exitCode;
        std::vector<std::string> expected;
    } cases[] = {
        {"127.0.0.108",
         0,
         {"family        PLC-5 (answers the word-range read of N7:0)", "x5: min "}},
        {"127.0.0.109", 0, {"family        SLC 5 (answers the typed read of N7:0)", "x5: min "}},
        {"127.0.0.110", 0, {"PLC-5", "N31:0/0 = 1: master of its pair"}},
        {"127.0.0.111", 0, {"PLC-5", "N31:0/0 = 0: not master (a standby"}},
        {"127.0.0.112",
         2,
         {"connection    not reached", "driver: [32] Ordax : Failure connecting to 127.0.0.112"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.host);
        const ToolRun r = Ordax({"probe", c.host, "--count", "5", "--connect-ms", "1000"});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        for (const std::string &e : c.expected) EXPECT_TRUE(Has(r.out, e)) << e << " in " << r.out;
    }
    sim.Stop();
}

// ---- the simulator's command line
TEST_F(ToolTest, SimulatorRefusesOptionsItCannotMeanBeforeServing) {
    const std::vector<std::vector<std::string>> cases = {
        {"--range", "foo", "127.0.0.120", "2"},     {"--range", "plc5", "127.0.0.120", "two"},
        {"--range", "slc", "127.0.0.120", "0"},     {"--port", "abc", "--plc5", "127.0.0.120"},
        {"--port", "0", "--plc5", "127.0.0.120"},   {"--port", "65536", "--plc5", "127.0.0.120"},
        {"--port", "22x", "--plc5", "127.0.0.120"},
    };
    for (const std::vector<std::string> &args : cases) {
        SCOPED_TRACE(args[0] + " " + args[1] + " " + args[2]);
        const pid_t pid = Start(args, PLCSIM_TOOL);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 500 && !ended; ++i) {  // 10 s: a refusal is at once
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
            if (!ended) ::usleep(20000);
        }
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        ASSERT_TRUE(ended) << "the simulator started serving: " << Slurp(dir_ / "stdout.txt");
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
        EXPECT_TRUE(Has(Slurp(dir_ / "stderr.txt"), "plcsim: cannot apply '" + args[0] + "'"));
        EXPECT_FALSE(Has(Slurp(dir_ / "stdout.txt"), "serving"));
    }
}

}  // namespace
