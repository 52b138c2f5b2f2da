// The frame trace through commands 1 and 11 with ORDAX_TRACE set: the
// lines of a read, a refused read, a reconnect and a hot-backup switch-over;
// the size cap and its rotation, also with two channels writing one file;
// a file that cannot be opened; the file handles a channel's life leaves.
// Stations at 127.0.14.1 to 127.0.14.4.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "diag/trace.h"
#include "diag/trace_file.h"
#include "link/link.h"
#include "testkit/scratch_dir.h"
#include "tests/channel/channel_fixture.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using chantest::ReadN7;
using chantest::WaitUntil;

constexpr int kChannel = 61;
constexpr char kNodeTimers[] = "T 200; 20; 1000; 1000;";
constexpr char kPlc5Ip[] = "127.0.14.1";
constexpr char kBaseIp[] = "127.0.14.3";
constexpr char kStandbyIp[] = "127.0.14.4";

// Any well-formed line of the trace.
const std::regex kLineShape(
    R"(^[0-9]+\.[0-9]{6} ch [0-9]+ st [0-9]{2} [0-9.]+ )"
    R"(((>|<)( [0-9a-f]{2})+|connect|connect failed|close|switch to [0-9.]+)$)");

// Frames as the tests expect them: bytes in hex, "??" any byte, "*N" N
// bytes of any value.
std::string FrameRegex(const std::string &pattern) {
    std::istringstream in(pattern);
    std::string token;
    std::string out;
    while (in >> token) {
        if (token == "??") {
            out += " [0-9a-f]{2}";
        } else if (token[0] == '*') {
            out.append("( [0-9a-f]{2}){").append(token.substr(1)).append("}");
        } else {
            out.append(" ").append(token);
        }
    }
    return out;
}

const std::string kSessionRequest =
    FrameRegex("01 01 00 00 00 00 00 00 00 00 00 00 00 04 00 05 *12");
const std::string kSessionReply = FrameRegex("02 01 00 00 *24");
const std::string kReadN7 =
    FrameRegex("01 07 00 12 *24 00 05 00 00 0f 00 ?? ?? 01 00 00 01 00 06 07 00 02 00");
const std::string kReadN31 =
    FrameRegex("01 07 00 12 *24 00 05 00 00 0f 00 ?? ?? 01 00 00 01 00 06 1f 00 02 00");
const std::string kReply12345 = FrameRegex("02 07 00 0a *24 00 05 00 00 4f 00 ?? ?? 39 30");
const std::string kRefusal10 = FrameRegex("02 07 00 08 *24 00 05 00 00 4f 10 ?? ??");

// The pattern of a line of channel kChannel about station `st` at `ip`.
std::string L(int st, const std::string &ip, const std::string &rest) {
    std::string dotted;
    for (char c : ip) dotted += c == '.' ? std::string("\\.") : std::string(1, c);
    char head[64];
    std::snprintf(head, sizeof head, "^[0-9]+\\.[0-9]{6} ch %d st %02d ", kChannel, st);
    return std::string(head).append(dotted).append(" ").append(rest).append("$");
}

std::vector<std::string> ReadLines(const std::filesystem::path &path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The first pattern not met, in order, by some later line; "" when all are.
std::string MissingInOrder(const std::vector<std::string> &lines,
                           const std::vector<std::string> &patterns) {
    std::size_t next = 0;
    for (const std::string &p : patterns) {
        const std::regex re(p);
        while (next < lines.size() && !std::regex_match(lines[next], re)) ++next;
        if (next == lines.size()) return p;
        ++next;
    }
    return "";
}

int BadLines(const std::vector<std::string> &lines) {
    int bad = 0;
    for (const std::string &line : lines) bad += std::regex_match(line, kLineShape) ? 0 : 1;
    return bad;
}

int Matching(const std::vector<std::string> &lines, const std::string &pattern) {
    const std::regex re(pattern);
    int n = 0;
    for (const std::string &line : lines) n += std::regex_match(line, re) ? 1 : 0;
    return n;
}

// Descriptors of this process open on `path`.
int HandlesOn(const std::filesystem::path &path) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    int n = 0;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::error_code link;
        n += std::filesystem::read_symlink(entry.path(), link) == target ? 1 : 0;
    }
    return n;
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok()) << dir_.error();
        plc5_ = sim_.AddStation({kPlc5Ip, plcsim::Family::Plc5, "N7:10,N31:1", 2222});
        base_ = sim_.AddStation({kBaseIp, plcsim::Family::Plc5, "N7:10,N31:1", 2222});
        standby_ = sim_.AddStation({kStandbyIp, plcsim::Family::Plc5, "N7:10,N31:1", 2222});
        ASSERT_GE(standby_, 0) << sim_.LastError();
        ASSERT_EQ(sim_.AddHotBackupPair(base_, standby_), 0) << sim_.LastError();
        ASSERT_TRUE(sim_.Start()) << sim_.LastError();
        ASSERT_TRUE(sim_.station(plc5_).SetWord({plcsim::FileType::N, 7, 0, 0}, 12345));
        file_ = dir_.path() / "trace.log";
        ::setenv("ORDAX_TRACE", file_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("ORDAX_TRACE");
        SetTraceCapForTests(0);
    }
    // Channel `channel` with station 01 (the PLC-5) and 05 (the pair).
    void WriteNodeFile(int channel) {
        dir_.Write(channel, {kNodeTimers, std::string("01 = ") + kPlc5Ip,
                             std::string("05 = ") + kBaseIp + ", " + kStandbyIp});
    }

    chantest::NodeDir dir_{"ordax-trace"};
    plcsim::Simulator sim_;
    ordax_test::MessageCapture log_;
    int plc5_ = -1;
    int base_ = -1;
    int standby_ = -1;
    std::filesystem::path file_;
};

// ---- The lines of exchanges and connection events --------------------------

enum class Step { kRead, kRefusedRead, kDropAndReconnect, kSwitchOver };

struct LinesCase {
    const char *name;
    Step step;
    std::vector<std::string> lines;  // patterns met in this order
};

void PrintTo(const LinesCase &c, std::ostream *os) {
    *os << c.name;
}

class TraceLines : public TraceTest, public ::testing::WithParamInterface<LinesCase> {
protected:
    void Run(DriverContext &ctx) {
        plcsim::Station &plc = sim_.station(plc5_);
        switch (GetParam().step) {
            case Step::kRead:
                EXPECT_EQ(ReadN7(ctx, 1), kLinkOk);
                break;
            case Step::kRefusedRead:
                plc.ForceStatusNext({0x10, 0});
                EXPECT_EQ(ReadN7(ctx, 1), kLinkOk);
                break;
            case Step::kDropAndReconnect:
                EXPECT_EQ(ReadN7(ctx, 1), kLinkOk);
                plc.DropConnections();
                EXPECT_TRUE(WaitUntil([&] { return ReadN7(ctx, 1) == kLinkOk; }, 5000));
                break;
            case Step::kSwitchOver:
                EXPECT_TRUE(
                    WaitUntil([&] { return sim_.station(base_).counters().requests > 0; }, 5000));
                ASSERT_TRUE(sim_.SwapMaster(0));
                EXPECT_TRUE(WaitUntil(
                    [&] {
                        const chantest::StationView v = chantest::ViewLocked(ctx.stations[5]);
                        return v.onStandby == 1 && v.socket != plat::kNoSocket;
                    },
                    5000));
                break;
        }
    }
};

TEST_P(TraceLines, AppearInOrder) {
    WriteNodeFile(kChannel);
    auto block = chantest::NewHostBlock();
    ASSERT_EQ(chantest::OpenCommand(*block, kChannel, 1, 100), PDX_DONE);
    ASSERT_NE(block->ctx().trace, nullptr);
    Run(block->ctx());
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    EXPECT_EQ(block->ctx().trace, nullptr);

    const std::vector<std::string> lines = ReadLines(file_);
    EXPECT_EQ(BadLines(lines), 0);
    EXPECT_EQ(MissingInOrder(lines, GetParam().lines), "");
    EXPECT_EQ(Matching(lines, "^[0-9.]+ ch 61 .*"), static_cast<int>(lines.size()));
}

const std::string kP = kPlc5Ip;
const std::string kB = kBaseIp;
const std::string kS = kStandbyIp;

INSTANTIATE_TEST_SUITE_P(
    Trace, TraceLines,
    ::testing::Values(
        LinesCase{
            "Read",
            Step::kRead,
            {L(1, kP, ">" + kSessionRequest), L(1, kP, "<" + kSessionReply), L(1, kP, "connect"),
             L(1, kP, ">" + kReadN7), L(1, kP, "<" + kReply12345), L(1, kP, "close")}},
        LinesCase{"RefusedRead",
                  Step::kRefusedRead,
                  {L(1, kP, "connect"), L(1, kP, ">" + kReadN7), L(1, kP, "<" + kRefusal10),
                   L(1, kP, "close")}},
        LinesCase{"DropAndReconnect",
                  Step::kDropAndReconnect,
                  {L(1, kP, "connect"), L(1, kP, ">" + kReadN7), L(1, kP, "<" + kReply12345),
                   L(1, kP, "close"), L(1, kP, ">" + kSessionRequest),
                   L(1, kP, "<" + kSessionReply), L(1, kP, "connect"), L(1, kP, ">" + kReadN7),
                   L(1, kP, "<" + kReply12345), L(1, kP, "close")}},
        LinesCase{"SwitchOver",
                  Step::kSwitchOver,
                  {L(5, kB, "connect"), L(5, kB, ">" + kReadN31), L(5, kB, "close"),
                   L(5, kB, "switch to " + kS), L(5, kS, ">" + kSessionRequest),
                   L(5, kS, "connect"), L(5, kS, ">" + kReadN31), L(5, kS, "close")}}),
    [](const auto &param) { return std::string(param.param.name); });

// ---- The cap and its rotation ---------------------------------------------

struct CapCase {
    const char *name;
    std::uint32_t cap;  // 0: the driver's own
    int channels;       // channels kChannel.., one host thread each, one file
    int reads;          // per channel
    bool rotates;       // "<file>.1" replaced by the run
    bool relativeThenCd =
        false;                   // ORDAX_TRACE relative; the host changes directory after command 1
    bool directoryGone = false;  // the trace's directory is renamed after command 1
};

void PrintTo(const CapCase &c, std::ostream *os) {
    *os << c.name;
}

class TraceCap : public TraceTest, public ::testing::WithParamInterface<CapCase> {};

// Lines stay whole, however many threads write the file and however often
// it rotates; a file stays within the cap and one line past it.
TEST_P(TraceCap, RotatesOnceAndKeepsLinesWhole) {
    const CapCase &c = GetParam();
    constexpr std::uintmax_t kLongestLine = 256;
    SetTraceCapForTests(c.cap);
    if (c.relativeThenCd) ::setenv("ORDAX_TRACE", file_.filename().c_str(), 1);
    const std::filesystem::path gone = dir_.path() / "gone";
    const std::filesystem::path moved = dir_.path() / "moved";
    if (c.directoryGone) {
        std::filesystem::create_directory(gone);
        ::setenv("ORDAX_TRACE", (gone / "trace.log").c_str(), 1);
    }
    const std::filesystem::path rotated = file_.string() + ".1";
    std::ofstream(rotated) << "an older trace\n";
    std::vector<std::unique_ptr<ordax_test::HostBlock>> blocks;
    for (int i = 0; i < c.channels; ++i) {
        WriteNodeFile(kChannel + i);
        blocks.push_back(chantest::NewHostBlock());
        ASSERT_EQ(chantest::OpenCommand(*blocks.back(), kChannel + i, 1, 100), PDX_DONE);
    }
    // The file stays open where it now is; the rotation's reopen by its
    // name finds no directory.
    if (c.directoryGone) std::filesystem::rename(gone, moved);
    ordax_test::ScratchDir elsewhere("ordax-trace-cd");
    if (c.relativeThenCd) {
        ASSERT_TRUE(elsewhere.ok()) << elsewhere.error();
        std::filesystem::current_path(elsewhere.path());
    }
    std::vector<std::thread> hosts;
    for (auto &block : blocks) {
        hosts.emplace_back([&c, &block] {
            for (int r = 0; r < c.reads; ++r) EXPECT_EQ(ReadN7(block->ctx(), 1), kLinkOk);
        });
    }
    for (std::thread &t : hosts) t.join();
    for (auto &block : blocks) EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    if (c.relativeThenCd) {
        EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path())) << "rotated where the host now is";
        std::filesystem::current_path(dir_.path());
    }
    if (c.directoryGone) {
        // One message, however many lines came after; the lines before
        // the failed rotation are whole.
        const std::string message = "Ordax : Unable to reopen trace file " +
                                    (gone / "trace.log").string() + ", errno " +
                                    std::to_string(ENOENT) + ", trace ended";
        EXPECT_EQ(chantest::CountMessages(log_, message), 1);
        EXPECT_TRUE(log_.Has(message, 32));
        const std::vector<std::string> kept = ReadLines(moved / "trace.log");
        EXPECT_EQ(BadLines(kept), 0);
        EXPECT_GE(std::filesystem::file_size(moved / "trace.log"), c.cap);
        EXPECT_LT(std::filesystem::file_size(moved / "trace.log"), c.cap + kLongestLine);
        return;
    }

    const std::vector<std::string> now = ReadLines(file_);
    const std::vector<std::string> before = ReadLines(rotated);
    EXPECT_EQ(BadLines(now), 0);
    EXPECT_EQ(before.size() == 1 && before[0] == "an older trace", !c.rotates);
    if (c.rotates) {
        EXPECT_EQ(BadLines(before), 0);
        EXPECT_LT(std::filesystem::file_size(file_), c.cap + kLongestLine);
        EXPECT_GE(std::filesystem::file_size(rotated), c.cap);
        EXPECT_LT(std::filesystem::file_size(rotated), c.cap + kLongestLine);
    } else {
        for (int i = 0; i < c.channels; ++i) {
            const std::string ch = "^[0-9.]+ ch " + std::to_string(kChannel + i) + " st 01 .*";
            EXPECT_EQ(Matching(now, ch + ">" + kReadN7), c.reads);
            EXPECT_EQ(Matching(now, ch + "<" + kReply12345), c.reads);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Trace, TraceCap,
                         ::testing::Values(CapCase{"UnderTheCap", 0, 1, 50, false},
                                           CapCase{"TwoChannelsUnderTheCap", 0, 2, 200, false},
                                           CapCase{"PastTheCap", 2000, 1, 50, true},
                                           CapCase{"TwoChannelsPastTheCap", 3000, 2, 200, true},
                                           CapCase{"RelativePathAfterACd", 2000, 1, 50, true, true},
                                           CapCase{"ReopenAfterRotationFails", 2000, 1, 50, true,
                                                   false, true}),
                         [](const auto &param) { return std::string(param.param.name); });

// ---- The variable, and a file that cannot be opened ------------------------

// A FIFO as the trace: nobody reading it, or a reader that goes away
// right after command 1 (a write would then raise SIGPIPE).
enum class Pipe { kNone, kNoReader, kReaderLeaves };

struct OpenCase {
    const char *name;
    const char *variable;  // ORDAX_TRACE, "{dir}" the scratch directory; null: unset
    int messages;          // "Unable to open trace file" messages
    bool traced;
    int error = ENOENT;       // errno the message names
    Pipe pipe = Pipe::kNone;  // the variable names a FIFO
};

void PrintTo(const OpenCase &c, std::ostream *os) {
    *os << c.name;
}

class TraceOpen : public TraceTest, public ::testing::WithParamInterface<OpenCase> {};

// A trace costs at most one message, never the channel.
TEST_P(TraceOpen, ChannelReadsWithOrWithoutATrace) {
    const OpenCase &c = GetParam();
    std::string value = c.variable != nullptr ? c.variable : "";
    if (value.rfind("{dir}", 0) == 0) value.replace(0, 5, dir_.path().string());
    if (c.variable == nullptr) {
        ::unsetenv("ORDAX_TRACE");
    } else {
        ::setenv("ORDAX_TRACE", value.c_str(), 1);
    }
    WriteNodeFile(kChannel);
    int reader = -1;
    if (c.pipe != Pipe::kNone) {
        ASSERT_EQ(::mkfifo(value.c_str(), 0600), 0) << value;
    }
    if (c.pipe == Pipe::kReaderLeaves) reader = ::open(value.c_str(), O_RDONLY | O_NONBLOCK);
    auto block = chantest::NewHostBlock();
    ASSERT_EQ(chantest::OpenCommand(*block, kChannel, 1, 100), PDX_DONE);
    if (reader >= 0) ::close(reader);
    EXPECT_EQ(block->ctx().trace != nullptr, c.traced);
    EXPECT_EQ(ReadN7(block->ctx(), 1), kLinkOk);
    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    const std::string message =
        "Ordax : Unable to open trace file " + value + ", errno " + std::to_string(c.error);
    EXPECT_EQ(chantest::CountMessages(log_, message), c.messages);
    EXPECT_EQ(log_.Has(message, 32), c.messages > 0);
    // Station 01's session request and the read.
    if (c.pipe == Pipe::kNone) {
        EXPECT_EQ(Matching(ReadLines(value), ".* st 01 .* > .*"), c.traced ? 2 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Trace, TraceOpen,
    ::testing::Values(OpenCase{"Unset", nullptr, 0, false}, OpenCase{"Empty", "", 0, false},
                      OpenCase{"MissingDirectory", "{dir}/no-such-directory/trace.log", 1, false},
                      OpenCase{"Writable", "{dir}/trace.log", 0, true},
                      OpenCase{"FifoNobodyReads", "{dir}/fifo", 1, false, ENXIO, Pipe::kNoReader},
                      OpenCase{"FifoWhoseReaderLeaves", "{dir}/fifo", 1, false, EINVAL,
                               Pipe::kReaderLeaves}),
    [](const auto &param) { return std::string(param.param.name); });

// ---- Handles over a channel's life ----------------------------------------

struct HandleCase {
    const char *name;
    int channels;  // blocks tracing to the one file
    int opens;     // command 1 per block before the closes
};

void PrintTo(const HandleCase &c, std::ostream *os) {
    *os << c.name;
}

class TraceHandles : public TraceTest, public ::testing::WithParamInterface<HandleCase> {};

// One descriptor for the file while any channel traces to it, none after
// the last command 11; command 1 again closes the trace it replaces.
TEST_P(TraceHandles, FileIsOpenWhileAChannelTraces) {
    const HandleCase &c = GetParam();
    std::vector<std::unique_ptr<ordax_test::HostBlock>> blocks;
    for (int i = 0; i < c.channels; ++i) {
        WriteNodeFile(kChannel + i);
        blocks.push_back(chantest::NewHostBlock());
        for (int n = 0; n < c.opens; ++n) {
            ASSERT_EQ(chantest::OpenCommand(*blocks.back(), kChannel + i, 1, 100), PDX_DONE);
            EXPECT_EQ(HandlesOn(file_), 1);
        }
    }
    for (auto &block : blocks) {
        EXPECT_EQ(HandlesOn(file_), 1);
        EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
        EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);  // a second close is harmless
    }
    EXPECT_EQ(HandlesOn(file_), 0);
}

INSTANTIATE_TEST_SUITE_P(Trace, TraceHandles,
                         ::testing::Values(HandleCase{"OpenClose", 1, 1},
                                           HandleCase{"OpenTwiceClose", 1, 3},
                                           HandleCase{"TwoChannelsOneFile", 2, 2}),
                         [](const auto &param) { return std::string(param.param.name); });

}  // namespace
