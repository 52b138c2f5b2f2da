// A Windows host of the driver, run under Wine against the native PLC
// simulator on loopback (scripts/wine-test starts it): everything goes
// through ordax.dll's PdxMain and the host library TAMHUB.dll, as a host
// application would call them.
//
// Stations the simulator serves: a PLC-5 at 127.0.0.121, an SLC 5/05 at
// 127.0.0.122 and a PLC-5 hot-backup pair 127.0.0.123 / 127.0.0.124 whose
// second processor is the master, a PLC-5 at 127.0.0.126 that answers
// every request 3 s late, a silent PLC-5 at 127.0.0.127 (connects never
// answered), an SLC 5/05 at 127.0.0.128 that closes the first connection
// on its session request and one at 127.0.0.129 that resets it. Nothing
// listens at 127.0.0.125 and 127.0.11.1 to 127.0.11.12. The PLC-5s at 127.0.13.1 to 127.0.13.5
// send 10 bytes of their session reply and then hold the connection open. Every station has the
// simulator's default
// tables (T4, C5, R6, N7, F8, ST9; PID file PD12 on the PLC-5s).
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "host/tamhub.h"
#include "host/tamhub_gate.h"
#include "ordax.h"

namespace {

constexpr int kChannel = 61;
constexpr char kNodeFile[] = "Ordax61.int";
constexpr char kNodeText[] =
    "* Windows host test\n"
    "T 1000; 20; 1000; 5000;\n"
    "01 = 127.0.0.121\n"
    "02 = 127.0.0.122-SLC5\n"
    "03 = 127.0.0.123, 127.0.0.124\n"
    "04 = 127.0.0.125\n"   // nobody listens there
    "05 = 127.0.0.126\n";  // answers 3 s late: past two reply time-outs

struct Log {
    std::mutex mutex;
    std::vector<std::string> lines;
    static void Sink(void *user, int level, const char *text) {
        auto *self = static_cast<Log *>(user);
        std::lock_guard<std::mutex> hold(self->mutex);
        self->lines.push_back(std::to_string(level) + "|" + text);
    }
    bool Has(const std::string &line) {
        std::lock_guard<std::mutex> hold(mutex);
        for (const std::string &l : lines) {
            if (l == line) return true;
        }
        return false;
    }
};

int Call(void *block, int command, void *args, int channel = kChannel) {
    PdxCall call = TamHubPdxCall(block, command, channel, args);
    return PdxMain(&call);
}

class WindowsHost : public ::testing::Test {
protected:
    void SetUp() override {
        TamHubReset();
        TamHubSetMessageSink(&Log::Sink, &log_);
        std::FILE *f = std::fopen(kNodeFile, "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(kNodeText, f);
        std::fclose(f);
    }
    void TearDown() override {
        TamHubSetMessageSink(nullptr, nullptr);
        std::remove(kNodeFile);
    }
    int Parse(const char *address, int gateType, int command = PDX_PARSE_GATE, int length = 0) {
        GateRecord gate{};
        gate.addressText = address;
        gate.gateId = 1;
        gate.gateType = gateType;
        gate.blockLength = length;
        return Call(block_.data(), command, &gate);
    }
    std::vector<unsigned char> block_ = std::vector<unsigned char>(PDX_CONTEXT_SIZE, 0xCC);
    Log log_;
};

TEST_F(WindowsHost, DescribesTheDriver) {
    DriverInfo info{};
    EXPECT_EQ(Call(nullptr, PDX_DESCRIBE_DRIVER, &info), PDX_DONE);
    EXPECT_EQ(info.contextSize, PDX_CONTEXT_SIZE);
    EXPECT_STREQ(info.description, "Allen Bradley PLC-5/E, SLC5/05");
}

// Open tries every station once, moves the pair to its master at the first
// walk after the open, parses gates of both families, and closes.
TEST_F(WindowsHost, OpensSupervisesParsesAndCloses) {
    OpenArgs open{};
    open.openNow = 1;
    open.timeoutCs = 100;
    ASSERT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open), PDX_DONE);
    EXPECT_TRUE(log_.Has("8|Ordax : Connected to 127.0.0.121"));
    EXPECT_TRUE(log_.Has("8|Ordax : Connected to 127.0.0.122"));
    EXPECT_TRUE(log_.Has("8|Ordax : Connected to 127.0.0.123"));
    EXPECT_TRUE(log_.Has("32|Ordax : Failure connecting to 127.0.0.125"));
    EXPECT_EQ(TamHubClientCount(), 1);

    const std::string switching =
        "32|Ordax : Master Flag not set, switching Base IP 127.0.0.123 Standby IP 127.0.0.124 !!!";
    for (int i = 0; i < 100 && !log_.Has("8|Ordax : Connected to 127.0.0.124"); ++i) Sleep(50);
    EXPECT_TRUE(log_.Has(switching));
    EXPECT_TRUE(log_.Has("8|Ordax : Connected to 127.0.0.124"));

    const struct {
        const char *address;
        int gateType;
        int command;
        int length;
        int result;
    } gates[] = {
        {"01N007010", 0, PDX_PARSE_GATE, 0, PDX_DONE},
        {"01F008001", PDX_GATE_REAL, PDX_PARSE_GATE, 0, PDX_DONE},
        {"01B00301007", PDX_GATE_DIGITAL, PDX_PARSE_GATE, 0, PDX_DONE},
        {"01N00701007", 0, PDX_PARSE_GATE, 0, PDX_REQUEST_ERROR},  // a word gate with a bit
        {"02N007000", 0, PDX_PARSE_BLOCK, 256, PDX_DONE},
        {"02N007000", 0, PDX_PARSE_BLOCK, 257, PDX_REQUEST_ERROR},
        {"02P009000", 0, PDX_PARSE_GATE, 0, PDX_REQUEST_ERROR},  // no PID on an SLC
        {"09N007000", 0, PDX_PARSE_GATE, 0, PDX_REQUEST_ERROR},  // not configured
    };
    for (const auto &g : gates) {
        SCOPED_TRACE(g.address);
        EXPECT_EQ(Parse(g.address, g.gateType, g.command, g.length), g.result);
    }

    EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);
}

// A host cell: a 16-bit value in bytes 2 and 3, a real in all four.
struct Cell {
    unsigned char bytes[8] = {0xA5, 0xA5, 0, 0, 0, 0, 0xA5, 0xA5};
};

// Reads and writes every kind of value of both families through the DLL,
// with the host's records as a host fills them afresh for every call.
TEST_F(WindowsHost, ReadsAndWritesEveryKindOfValue) {
    OpenArgs open{};
    open.openNow = 1;
    open.timeoutCs = 100;
    ASSERT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open), PDX_DONE);

    auto access = [&](const char *address, int gateType, int command, void *data, int count) {
        GateRecord gate{};
        gate.addressText = address;
        gate.gateId = 7;
        gate.gateType = gateType;
        gate.blockLength = count;
        const bool block = command == PDX_READ_BLOCK || command == PDX_WRITE_BLOCK;
        const int parsed = Call(block_.data(), block ? PDX_PARSE_BLOCK : PDX_PARSE_GATE, &gate);
        if (parsed != PDX_DONE) return 100 + parsed;
        GateAccess a = TamHubGateAccess(&gate, count, data);
        return Call(block_.data(), command, &a);
    };

    // Every value is written before any is read back, so a sub-element the
    // driver lost would read another gate's value.
    const char *const words[] = {
        "01N007005",   "02N007005",    // PLC-5, SLC 5
        "01T00400101", "01T00400102",  // timer preset and accumulator
        "02T00400101", "02T00400102",  //
        "01C00500201", "02C00500202",  // counter preset, accumulator
        "01R00600301", "02R00600302",  // control length, position
        "01P01200000", "01P01200001",  // PLC-5 PID words 00 and 01
    };
    for (std::size_t i = 0; i < std::size(words); ++i) {
        SCOPED_TRACE(words[i]);
        Cell out;
        out.bytes[2] = static_cast<unsigned char>(0x10 + i);
        out.bytes[3] = 0x12;
        EXPECT_EQ(access(words[i], 0, PDX_WRITE_GATE, out.bytes, 1), PDX_DONE);
    }
    for (std::size_t i = 0; i < std::size(words); ++i) {
        SCOPED_TRACE(words[i]);
        Cell in;
        EXPECT_EQ(access(words[i], 0, PDX_READ_GATE, in.bytes, 1), PDX_DONE);
        EXPECT_EQ(in.bytes[2], 0x10 + i);
        EXPECT_EQ(in.bytes[3], 0x12);
        EXPECT_EQ(in.bytes[0], 0xA5);  // bytes 0 and 1 of the cell stay the host's
    }
    // Reals: F files, and PLC-5 PID values from sub-element 02 up.
    const char *const reals[] = {"01F008003",   "02F008003",   "01P01200002",
                                 "01P01200004", "01P01200148", "01P01200326"};
    for (std::size_t i = 0; i < std::size(reals); ++i) {
        SCOPED_TRACE(reals[i]);
        Cell out;
        const float value = -1234.5f + static_cast<float>(i) * 0.25f;
        std::memcpy(out.bytes, &value, sizeof value);
        EXPECT_EQ(access(reals[i], PDX_GATE_REAL, PDX_WRITE_GATE, out.bytes, 1), PDX_DONE);
    }
    for (std::size_t i = 0; i < std::size(reals); ++i) {
        SCOPED_TRACE(reals[i]);
        Cell in;
        EXPECT_EQ(access(reals[i], PDX_GATE_REAL, PDX_READ_GATE, in.bytes, 1), PDX_DONE);
        float got = 0;
        std::memcpy(&got, in.bytes, sizeof got);
        EXPECT_EQ(got, -1234.5f + static_cast<float>(i) * 0.25f);
    }
    // Bits: B files, bits of the control word of timers, counters and
    // controls (sub-element 00), and of the PID's first word.
    for (const char *bit : {"01B00300107", "02B00300107", "01T0040050013", "02C0050050014",
                            "01R0060050015", "02R0060050013", "01P0120010001"}) {
        SCOPED_TRACE(bit);
        for (int value : {1, 0}) {
            Cell out;
            out.bytes[2] = static_cast<unsigned char>(value);
            EXPECT_EQ(access(bit, PDX_GATE_DIGITAL, PDX_WRITE_GATE, out.bytes, 1), PDX_DONE);
            Cell in;
            EXPECT_EQ(access(bit, PDX_GATE_DIGITAL, PDX_READ_GATE, in.bytes, 1), PDX_DONE);
            EXPECT_EQ(in.bytes[2], value);
        }
    }
    for (const char *block : {"01N007100", "02N007100"}) {
        SCOPED_TRACE(block);
        std::uint16_t out[10];
        for (int i = 0; i < 10; ++i) out[i] = static_cast<std::uint16_t>(0x0101 * (i + 1));
        EXPECT_EQ(access(block, 0, PDX_WRITE_BLOCK, out, 10), PDX_DONE);
        std::uint16_t in[10] = {};
        EXPECT_EQ(access(block, 0, PDX_READ_BLOCK, in, 10), PDX_DONE);
        EXPECT_EQ(std::memcmp(in, out, sizeof in), 0);
    }
    for (const char *text : {"01G009002", "02G009002"}) {
        SCOPED_TRACE(text);
        char out[84] = "Filler line 3 stopped";
        EXPECT_EQ(access(text, PDX_GATE_STRING, PDX_WRITE_GATE, out, 1), PDX_DONE);
        char in[84] = {};
        EXPECT_EQ(access(text, PDX_GATE_STRING, PDX_READ_GATE, in, 1), PDX_DONE);
        EXPECT_STREQ(in, out);
    }

    // The late station: the read runs out of time and fails as a link failure.
    Cell in;
    EXPECT_EQ(access("05N007000", 0, PDX_READ_GATE, in.bytes, 1), PDX_LINK_ERROR);
    EXPECT_TRUE(log_.Has("32|Ordax : Read Word Failed, Gate Address: 05N007000, Communications "
                         "Time-out") ||
                log_.Has("32|Ordax : Read Word Failed Station not connected"));
    // An unreachable station has no connection.
    EXPECT_EQ(access("04N007000", 0, PDX_READ_GATE, in.bytes, 1), PDX_LINK_ERROR);
    EXPECT_TRUE(log_.Has("32|Ordax : Read Word Failed Station not connected"));

    EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);
    // Closed: every read ends as "Channel not Open".
    EXPECT_EQ(access("01N007005", 0, PDX_READ_GATE, in.bytes, 1), PDX_LINK_ERROR);
    EXPECT_TRUE(log_.Has("32|Ordax: Read Word Failed, Channel not Open"));
}

// With openNow 0 the channel is prepared but stays closed; a node file
// that is missing fails the open with the reader's message. Opened again,
// the block registers the same client name at the same place, and the
// name the host kept stays readable after the close.
TEST_F(WindowsHost, PreparedOnlyAndMissingNodeFile) {
    OpenArgs open{};
    open.openNow = 0;
    EXPECT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open), PDX_DONE);
    EXPECT_FALSE(log_.Has("8|Ordax : Connected to 127.0.0.121"));
    const char *name = TamHubLastClientName();
    ASSERT_NE(name, nullptr);
    for (int again = 0; again < 3; ++again) {
        EXPECT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open), PDX_DONE);
        EXPECT_EQ(TamHubLastClientName(), name);
    }
    EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);
    EXPECT_STREQ(name, "Ordax61");

    open.openNow = 1;
    EXPECT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open, 62), PDX_LINK_ERROR);
    EXPECT_TRUE(log_.Has("32|Ordax : File Ordax62.int not found !"));
}

// Stations that cannot be reached, as the Win32 backend reports them: each
// node file has one station (the last row thirteen), and command 1 returns
// after its first walk.
TEST_F(WindowsHost, UnreachableStationsAreNamed) {
    const struct {
        const char *name;
        const char *station;
        std::vector<std::string> messages;  // in this order, among the others
        DWORD maxMs;                        // generous bound of the first attempt
    } cases[] = {
        // Nobody listens: the refusal ends the connect wait at once.
        {"Refused",
         "01 = 127.0.0.125",
         {"8|Ordax : socket connect attempt to connected was forcefully refused",
          "32|Ordax : Failure connecting to 127.0.0.125"},
         1500},
        // No answer at all: the connect wait runs its 3 s.
        {"Silent",
         "01 = 127.0.0.127",
         {"8|Ordax : connect select timeout", "32|Ordax : Failure connecting to 127.0.0.127"},
         3000 + 4000},
        // recv returns 0 on the session request: a receive error at once.
        {"ClosesOnSession",
         "01 = 127.0.0.128-SLC5",
         {"32|Ordax : Receive Message error 10054 0x10054",
          "8|Ordax : session establish received failed",
          "32|Ordax : Failure connecting to 127.0.0.128"},
         1500},
        // The connection is reset on the session request: the same
        // receive error, at once.
        {"ResetOnSession",
         "01 = 127.0.0.129-SLC5",
         {"32|Ordax : Receive Message error 10054 0x10054",
          "8|Ordax : session establish received failed",
          "32|Ordax : Failure connecting to 127.0.0.129"},
         1500},
        // A name no resolver knows.
        {"UnknownName",
         "01 = ordaxnosuchplc",
         {"32|Ordax : Invalid host name: ordaxnosuchplc",
          "32|Ordax : Failure connecting to ordaxnosuchplc"},
         30000},
        // Twelve refusing stations and a silent one in one walk: their
        // connects are awaited together, so the walk costs one connect wait.
        {"TwelveRefusedBesideASilentOne",
         "01 = 127.0.11.1\n02 = 127.0.11.2\n03 = 127.0.11.3\n04 = 127.0.11.4\n"
         "05 = 127.0.11.5\n06 = 127.0.11.6\n07 = 127.0.11.7\n08 = 127.0.11.8\n"
         "09 = 127.0.11.9\n10 = 127.0.11.10\n11 = 127.0.11.11\n12 = 127.0.11.12\n"
         "13 = 127.0.0.127",
         {"32|Ordax : Failure connecting to 127.0.11.12", "8|Ordax : connect select timeout",
          "32|Ordax : Failure connecting to 127.0.0.127"},
         3000 + 4000},
        // Five stations that send part of the session reply and then hold:
        // each attempt runs out on its own, side by side with the others,
        // so the walk costs one session wait.
        {"FiveHalfOpen",
         "01 = 127.0.13.1\n02 = 127.0.13.2\n03 = 127.0.13.3\n04 = 127.0.13.4\n05 = 127.0.13.5",
         {"32|Ordax : Timeout from receive message",
          "32|Ordax : Receive Message error 10060 0x10060",
          "8|Ordax : session establish received failed",
          "32|Ordax : Failure connecting to 127.0.13.5"},
         3000 + 4000},
        // A name with dots is looked up, not taken as a dotted address.
        {"UnknownDottedName",
         "01 = plc9.line2.invalid",
         {"32|Ordax : Invalid host name: plc9.line2.invalid",
          "32|Ordax : Failure connecting to plc9.line2.invalid"},
         30000},
        // The broadcast address is never connected to.
        {"Broadcast",
         "01 = 255.255.255.255",
         {"32|Ordax : Invalid host name: 255.255.255.255",
          "32|Ordax : Failure connecting to 255.255.255.255"},
         1500},
        // The standby address is empty: refused without a lookup (the
        // resolver would give this PC's own address).
        {"EmptyStandby",
         "01 = 127.0.0.125,",
         {"8|Ordax : socket connect attempt to connected was forcefully refused",
          "32|Ordax : Failure connecting to 127.0.0.125",
          "8|Ordax : Connect Failed attempting connect to Hot Backup !!!",
          "32|Ordax : Invalid host name: ", "32|Ordax : Failure connecting to "},
         1500},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::FILE *f = std::fopen("Ordax64.int", "wb");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "T 60000; 20; 3000; 3000;\n%s\n", c.station);
        std::fclose(f);
        {
            std::lock_guard<std::mutex> hold(log_.mutex);
            log_.lines.clear();
        }
        OpenArgs open{};
        open.openNow = 1;
        open.timeoutCs = 100;
        const DWORD start = GetTickCount();
        ASSERT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open, 64), PDX_DONE);
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);
        std::printf("  %-16s first attempt took %lu ms\n", c.name,
                    static_cast<unsigned long>(took));
        EXPECT_LT(took, c.maxMs);
        std::lock_guard<std::mutex> hold(log_.mutex);
        std::size_t at = 0;
        for (const std::string &want : c.messages) {
            while (at < log_.lines.size() && log_.lines[at] != want) ++at;
            EXPECT_LT(at, log_.lines.size()) << "missing, or out of order: " << want;
        }
        for (const std::string &line : log_.lines) {
            EXPECT_EQ(line.rfind("8|Ordax : Connected to", 0), std::string::npos) << line;
        }
    }
    std::remove("Ordax64.int");
}

// The socket handles of this process: the driver's are the only sockets in
// it. The handle values of a child that inherits are those of the parent.
std::vector<HANDLE> SocketsOf(HANDLE process) {
    std::vector<HANDLE> sockets;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        HANDLE mine = handle;
        if (process != GetCurrentProcess()) {
            if (!DuplicateHandle(process, handle, GetCurrentProcess(), &mine, 0, FALSE,
                                 DUPLICATE_SAME_ACCESS)) {
                continue;
            }
        }
        int type = 0;
        int length = sizeof type;
        if (getsockopt(reinterpret_cast<SOCKET>(mine), SOL_SOCKET, SO_TYPE,
                       reinterpret_cast<char *>(&type), &length) == 0) {
            sockets.push_back(handle);
        }
        if (mine != handle) CloseHandle(mine);
    }
    return sockets;
}

// A child the host starts with bInheritHandles TRUE while the channel runs
// (as hosts that redirect a child's output do) gets none of its connections.
TEST_F(WindowsHost, ChildThatInheritsHandlesGetsNoConnection) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    OpenArgs open{};
    open.openNow = 1;
    open.timeoutCs = 100;
    ASSERT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open), PDX_DONE);
    EXPECT_FALSE(SocketsOf(GetCurrentProcess()).empty()) << "no connection of the driver found";
    char program[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
    char commandLine[] = "child --gtest_list_tests";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessA(program, commandLine, nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                               nullptr, nullptr, &startup, &child));
    EXPECT_TRUE(SocketsOf(child.hProcess).empty()) << "the child inherited a station's socket";
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);
    WSACleanup();
}

// A host whose message service calls PdxMain for the channel being served:
// the call comes back at once with 2 and its own message, instead of
// waiting for ever on the channel's lock.
struct CallingBack {
    void *block = nullptr;
    int command = 0;
    int result = -1;
    bool armed = true;
    Log log;
    static void Sink(void *user, int level, const char *text) {
        auto *self = static_cast<CallingBack *>(user);
        Log::Sink(&self->log, level, text);
        if (!self->armed) return;
        self->armed = false;
        GateRecord gate{};
        gate.addressText = "01N007001";
        self->result = Call(self->block, self->command, &gate);
    }
};

TEST_F(WindowsHost, MessageServiceCallingBackIsRefused) {
    OpenArgs open{};
    ASSERT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open), PDX_DONE);  // prepared only
    for (int command : {PDX_PARSE_GATE, PDX_CLOSE_CHANNEL}) {
        SCOPED_TRACE(command);
        CallingBack host;
        host.block = block_.data();
        host.command = command;
        TamHubSetMessageSink(&CallingBack::Sink, &host);
        EXPECT_EQ(Parse("01Q007001", 0), PDX_REQUEST_ERROR);
        TamHubSetMessageSink(&Log::Sink, &log_);
        EXPECT_EQ(host.result, PDX_LINK_ERROR);
        EXPECT_TRUE(host.log.Has("8|Ordax : Command " + std::to_string(command) +
                                 " refused, called back from within the driver on this channel"));
    }
    EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);
}

// A host's mistakes about the channel's life, as the Win32 backend answers
// them: command 11 on a block command 1 never prepared leaves it as it is;
// a loopSleep of a minute does not hold up the close; and the DLL freed with
// a channel open stays mapped until the channel thread has ended.
TEST_F(WindowsHost, LifeMistakesEndCleanly) {
    const std::vector<unsigned char> fresh = block_;
    DWORD start = GetTickCount();
    EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(block_, fresh);

    std::FILE *f = std::fopen("Ordax63.int", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("T 5000; 60000; 1000; 1000;\n01 = 127.0.0.121\n", f);
    std::fclose(f);
    OpenArgs open{};
    open.openNow = 1;
    open.timeoutCs = 100;
    ASSERT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open, 63), PDX_DONE);
    start = GetTickCount();
    EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);
    EXPECT_LT(GetTickCount() - start, 5000u);

    // A second copy of the DLL, so that this program's own reference does
    // not keep it loaded.
    char path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(GetModuleHandleA("ordax.dll"), path, MAX_PATH), 0u);
    ASSERT_TRUE(CopyFileA(path, "ordax_unload.dll", FALSE));
    using Entry = int (*)(PdxCall *);
    HMODULE first = LoadLibraryA(".\\ordax_unload.dll");
    ASSERT_NE(first, nullptr);
    auto entry =
        reinterpret_cast<Entry>(reinterpret_cast<void *>(GetProcAddress(first, "PdxMain")));
    ASSERT_NE(entry, nullptr);
    std::vector<unsigned char> other(PDX_CONTEXT_SIZE, 0xCC);
    f = std::fopen("Ordax63.int", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("T 5000; 20; 1000; 1000;\n01 = 127.0.0.121\n", f);
    std::fclose(f);
    PdxCall call{other.data(), PDX_OPEN_CHANNEL, 63, 0, &open};
    ASSERT_EQ(entry(&call), PDX_DONE);
    FreeLibrary(first);
    Sleep(300);  // the thread walks every 20 ms in the DLL's code
    HMODULE again = GetModuleHandleA("ordax_unload.dll");
    ASSERT_NE(again, nullptr) << "unloaded under a running channel thread";
    again = LoadLibraryA(".\\ordax_unload.dll");
    entry = reinterpret_cast<Entry>(reinterpret_cast<void *>(GetProcAddress(again, "PdxMain")));
    call.command = PDX_CLOSE_CHANNEL;
    call.args = nullptr;
    EXPECT_EQ(entry(&call), PDX_DONE);
    FreeLibrary(again);
    EXPECT_EQ(GetModuleHandleA("ordax_unload.dll"), nullptr);
    DeleteFileA("ordax_unload.dll");
    std::remove("Ordax63.int");
}

}  // namespace
