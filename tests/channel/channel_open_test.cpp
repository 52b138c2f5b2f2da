// Commands 1 and 11 through PdxMain, as a host lays out its records: the
// steps of an open, its failures, the client name, the reply time-out, and
// the state the close leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include <climits>
#include <regex>
#include <string>
#include <vector>

#include "channel/channel.h"
#include "diag/report.h"
#include "host/tamhub.h"
#include "link/link.h"
#include "tests/channel/channel_fixture.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using chantest::ReadN7;

constexpr char kPlc5Ip[] = "127.0.0.43";
constexpr char kSlcIp[] = "127.0.0.44";
constexpr char kDeadIp[] = "127.0.0.45";  // nothing listens: refused at once
const std::string kFastTimers = "T 60000; 20; 1000; 1000;";
const std::vector<std::string> kThreeStations = {kFastTimers, "01 = 127.0.0.43",
                                                 "02 = 127.0.0.44-SLC5", "03 = 127.0.0.45"};

std::string M(int level, const std::string &text) {
    return std::to_string(level) + "|" + text;
}

struct OpenCase {
    const char *name;
    int channel = 7;
    bool writeNodeFile = true;
    std::vector<std::string> nodeLines = kThreeStations;
    std::int32_t openNow = 1;
    std::int32_t timeoutCs = 50;
    short mkClientResult = 0;
    int result = PDX_DONE;
    const char *clientName = "Ordax07";
    std::uint32_t replyTimeout = 1000;  // 0: step 11 not reached
    int configured = 3;                 // stations with a plcType after the open
    ChannelTimers timers = {60000, 20, 1000, 1000};
    bool threadRuns = true;
    std::vector<std::string> messages = {};  // in this order among all messages
    // Stations connect side by side: their messages come in the order their
    // outcomes arrive, so only their presence is checked.
    bool anyOrder = false;
};

void PrintTo(const OpenCase &c, std::ostream *os) {
    *os << c.name;
}

const OpenCase kOpenCases[] = {
    {.name = "ThreeStationsAllTriedBeforeReturn",
     .messages = {M(8, "Ordax : Connected to 127.0.0.43"), M(8, "Ordax : Connected to 127.0.0.44"),
                  M(32, "Ordax : Failure connecting to 127.0.0.45")},
     .anyOrder = true},
    {.name = "OpenNowZeroPreparesOnly",
     .channel = 45,
     .openNow = 0,
     .timeoutCs = 150,
     .clientName = "Ordax45",
     .replyTimeout = 0,
     .threadRuns = false},
    {.name = "TimeoutOneAndAHalfSeconds",
     .channel = 8,
     .nodeLines = {"01 = 127.0.0.43"},
     .timeoutCs = 150,
     .clientName = "Ordax08",
     .replyTimeout = 1500,
     .configured = 1,
     .timers = kDefaultTimers,
     .messages = {M(8, "Ordax : Connected to 127.0.0.43")}},
    {.name = "TimeoutBelowOneSecondIsRaised",
     .channel = 9,
     .nodeLines = {"01 = 127.0.0.43"},
     .timeoutCs = 99,
     .clientName = "Ordax09",
     .configured = 1,
     .timers = kDefaultTimers},
    {.name = "TimingLineOnlyFails",
     .channel = 3,
     .nodeLines = {kFastTimers},
     .result = PDX_LINK_ERROR,
     .clientName = "Ordax03",
     .replyTimeout = 0,
     .configured = 0,
     .threadRuns = false},
    {.name = "MissingNodeFileFails",
     .channel = 4,
     .writeNodeFile = false,
     .result = PDX_LINK_ERROR,
     .clientName = "Ordax04",
     .replyTimeout = 0,
     .configured = 0,
     .timers = kDefaultTimers,
     .threadRuns = false,
     .messages = {M(32, "Ordax : File Ordax04.int not found !")}},
    {.name = "MakeClientFailureStopsBeforeTheNodeFile",
     .channel = 5,
     .mkClientResult = -3,
     .result = PDX_LINK_ERROR,
     .clientName = "Ordax05",
     .replyTimeout = 0,
     .configured = 0,
     .timers = kDefaultTimers,
     .threadRuns = false,
     .messages = {M(32, "Halvik: Make Client failed, return code -3")}},
    {.name = "ThreeDigitChannel",
     .channel = 123,
     .writeNodeFile = false,
     .result = PDX_LINK_ERROR,
     .clientName = "Ordax123",
     .replyTimeout = 0,
     .configured = 0,
     .timers = kDefaultTimers,
     .threadRuns = false,
     .messages = {M(32, "Ordax : File Ordax123.int not found !")}},
    // The 10-byte name holds four digits; longer numbers are cut, never overrun.
    {.name = "SixDigitChannelNameIsCut",
     .channel = 123456,
     .writeNodeFile = false,
     .result = PDX_LINK_ERROR,
     .clientName = "Ordax1234",
     .replyTimeout = 0,
     .configured = 0,
     .timers = kDefaultTimers,
     .threadRuns = false,
     .messages = {M(32, "Ordax : File Ordax123456.int not found !")}},
    {.name = "NegativeChannel",
     .channel = -7,
     .writeNodeFile = false,
     .result = PDX_LINK_ERROR,
     .clientName = "Ordax-7",
     .replyTimeout = 0,
     .configured = 0,
     .timers = kDefaultTimers,
     .threadRuns = false,
     .messages = {M(32, "Ordax : File Ordax-07.int not found !")}},
    {.name = "SmallestChannelNameIsCut",
     .channel = INT_MIN,
     .writeNodeFile = false,
     .result = PDX_LINK_ERROR,
     .clientName = "Ordax-214",
     .replyTimeout = 0,
     .configured = 0,
     .timers = kDefaultTimers,
     .threadRuns = false,
     .messages = {M(32, "Ordax : File Ordax-2147483648.int not found !")}},
};

// True when `wanted` appears in `all` in this order (others may come between).
bool InOrder(const std::vector<std::string> &all, const std::vector<std::string> &wanted) {
    std::size_t next = 0;
    for (const std::string &m : all) {
        if (next < wanted.size() && m == wanted[next]) ++next;
    }
    return next == wanted.size();
}

std::vector<std::string> AllMessages(const ordax_test::MessageCapture &log) {
    std::vector<std::string> out;
    for (const ordax_test::Message &m : log.All()) out.push_back(M(m.level, m.text));
    return out;
}

class ChannelOpenTest : public ::testing::TestWithParam<OpenCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok()) << dir_.error();
        ASSERT_GE(sim_.AddStation({kPlc5Ip, plcsim::Family::Plc5, "", 2222}), 0)
            << sim_.LastError();
        ASSERT_GE(sim_.AddStation({kSlcIp, plcsim::Family::Slc5, "", 2222}), 0) << sim_.LastError();
        ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
        threads_ = chantest::ThreadCount();
        descriptors_ = chantest::DescriptorCount();
    }
    void TearDown() override { TamHubSetMkClientResult(0); }

    chantest::NodeDir dir_;
    plcsim::Simulator sim_;
    ordax_test::MessageCapture log_;
    int threads_ = 0;
    int descriptors_ = 0;
};

TEST_P(ChannelOpenTest, OpensInOrderAndClosesCleanly) {
    const OpenCase &c = GetParam();
    if (c.writeNodeFile) dir_.Write(c.channel, c.nodeLines);
    TamHubSetMkClientResult(c.mkClientResult);
    auto block = chantest::NewHostBlock();
    DriverContext &ctx = block->ctx();

    ASSERT_EQ(chantest::OpenCommand(*block, c.channel, c.openNow, c.timeoutCs), c.result);

    // What the open did, seen at the moment it returned.
    const std::vector<std::string> messages = AllMessages(log_);
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(
        std::regex_match(messages.front(), std::regex("32\\|Ordax : Version 7\\.51 compiled on "
                                                      "[A-Z][a-z]{2} [ 123][0-9] [0-9]{4} at "
                                                      "[0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << messages.front();
    if (c.anyOrder) {
        for (const std::string &want : c.messages) {
            EXPECT_NE(std::find(messages.begin(), messages.end(), want), messages.end())
                << want << "\n"
                << ::testing::PrintToString(messages);
        }
    } else {
        EXPECT_TRUE(InOrder(messages, c.messages)) << ::testing::PrintToString(messages);
    }
    EXPECT_EQ(chantest::CountMessages(log_, "Ordax : Channel Open Failed !!!"), 0);
    if (!c.threadRuns) {
        EXPECT_TRUE(chantest::PassMessages(log_).empty());
    }
    ASSERT_NE(ctx.clientName, nullptr);
    EXPECT_STREQ(ctx.clientName, c.clientName);
    EXPECT_EQ(ctx.replyTimeout, c.replyTimeout);
    EXPECT_EQ(ctx.timers.superviseInterval, c.timers.superviseInterval);
    EXPECT_EQ(ctx.timers.loopSleep, c.timers.loopSleep);
    EXPECT_EQ(ctx.timers.connectTimeout, c.timers.connectTimeout);
    EXPECT_EQ(ctx.timers.sessionTimeout, c.timers.sessionTimeout);
    int configured = 0;
    for (const StationEntry &st : ctx.stations) configured += st.plcType != kPlcNone ? 1 : 0;
    EXPECT_EQ(configured, c.configured);
    EXPECT_EQ(ctx.stringDefinitions, nullptr);
    for (std::size_t i = sizeof(DriverContext); i < PDX_CONTEXT_SIZE; ++i) {
        ASSERT_EQ(block->bytes[i], 0) << "byte " << i << " of the block not cleared";
    }
    const std::int32_t running = c.threadRuns ? 1 : 0;
    EXPECT_EQ(LoadRelaxed(ctx.channelOpen), running);
    EXPECT_EQ(LoadRelaxed(ctx.threadAlive), running);
    EXPECT_TRUE(chantest::ThreadCountSettlesAt(threads_ + running));

    if (!c.threadRuns) {
        if (c.configured > 0) {
            Transaction txn{};
            EXPECT_EQ(ReadN7(ctx, 1), kLinkNotOpen);
            EXPECT_EQ(ReportLinkStatus(kLinkNotOpen, txn, kOpReadWord, nullptr), PDX_LINK_ERROR);
            EXPECT_TRUE(log_.Has("Ordax: Read Word Failed, Channel not Open", 32));
        }
        // No lock was made, so the close must delete none.
        for (StationEntry &st : ctx.stations) st.lock.futex = 0x77;
    }

    EXPECT_EQ(chantest::CloseCommand(*block), PDX_DONE);
    for (const StationEntry &st : ctx.stations) {
        EXPECT_EQ(st.socket, plat::kNoSocket);
        if (!c.threadRuns) {
            EXPECT_EQ(st.lock.futex, 0x77u);
        }
    }
    EXPECT_EQ(LoadRelaxed(ctx.threadAlive), 0);
    EXPECT_EQ(LoadRelaxed(ctx.channelOpen), 0);
    EXPECT_EQ(ctx.channelThread, 0u);
    EXPECT_TRUE(chantest::ThreadCountSettlesAt(threads_));
    // The simulator in this process closes its side of each connection a
    // moment after the driver closed its own.
    EXPECT_TRUE(
        chantest::WaitUntil([&] { return chantest::DescriptorCount() == descriptors_; }, 3000))
        << chantest::DescriptorCount() << " descriptors, " << descriptors_ << " before";
    if (c.configured > 0) {
        EXPECT_EQ(ReadN7(ctx, 1), kLinkNotOpen);
    }
    // The client registration and its name survive the close.
    EXPECT_STREQ(ctx.clientName, c.clientName);
}

INSTANTIATE_TEST_SUITE_P(Command1, ChannelOpenTest, ::testing::ValuesIn(kOpenCases),
                         [](const auto &param) { return std::string(param.param.name); });

}  // namespace
