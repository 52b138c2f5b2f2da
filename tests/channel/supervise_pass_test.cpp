// The supervision pass of one station, made by one walk of the channel
// thread over a prepared channel block, against a simulated hot-backup
// pair: connection, the master-flag read of N31:0, the switch-over and its
// messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "channel/channel.h"
#include "core/relaxed.h"
#include "link/link.h"
#include "testkit/channel_block.h"
#include "tests/channel/channel_fixture.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;

constexpr int kStation = 5;
constexpr char kBase[] = "127.0.0.41";     // PLC-5, master of the pair at the start
constexpr char kStandby[] = "127.0.0.42";  // SLC 5 partner

std::string M(int level, const std::string &text) {
    return std::to_string(level) + "|" + text;
}
std::string Connected(const char *ip) {
    return M(8, std::string("Ordax : Connected to ") + ip);
}
std::string Failed(const char *ip) {
    return M(32, std::string("Ordax : Failure connecting to ") + ip);
}
const std::string kHotBackup = M(8, "Ordax : Connect Failed attempting connect to Hot Backup !!!");
const std::string kNotSet =
    M(32, "Ordax : Master Flag not set, switching Base IP 127.0.0.41 Standby IP 127.0.0.42 !!!");
std::string ReadError(const char *ip) {
    return M(8, std::string("Ordax : Read Master Flag Error from IP ") + ip + " !!");
}
const std::string kReportNotConnected =
    M(32, "Ordax : Master Flag Read Failed Station not connected");
const std::string kReportRemote10 =
    M(32, "Ordax : Master Flag Read Failed, Remote Sts Error: 0x10");

enum class Fault { kNone, kRefuse, kSwallow, kSts10 };

struct PassCase {
    const char *name;
    bool partner = true;          // the station names the standby
    bool channelOpen = true;      // master flags are read only on an open channel
    bool startConnected = false;  // the active address is connected before the pass
    bool startOnStandby = false;  // the standby is the active address at the start
    bool swapMaster = false;      // the standby processor is the pair's master
    int wordBase = -1;            // N31:0 of the base processor, -1 = as the pair has it
    int wordStandby = -1;         // N31:0 of the standby processor, -1 = as the pair has it
    Fault faultBase = Fault::kNone;
    bool refuseStandby = false;
    std::vector<std::string> messages = {};  // PassMessages, in order
    bool endOnStandby = false;
    bool endConnected = true;
    int readsBase = 0;  // PCCC requests each processor received during the pass
    int readsStandby = 0;
};

void PrintTo(const PassCase &c, std::ostream *os) {
    *os << c.name;
}

class SupervisePassTest : public ::testing::TestWithParam<PassCase> {
protected:
    void SetUp() override {
        base_ = sim_.AddStation({kBase, plcsim::Family::Plc5, "N7:10,N31:1", 2222});
        standby_ = sim_.AddStation({kStandby, plcsim::Family::Slc5, "N7:10,N31:1", 2222});
        ASSERT_GE(base_, 0) << sim_.LastError();
        ASSERT_GE(standby_, 0) << sim_.LastError();
        pair_ = sim_.AddHotBackupPair(base_, standby_);
        ASSERT_EQ(pair_, 0) << sim_.LastError();
        ASSERT_TRUE(sim_.Start()) << "simulator did not start: " << sim_.LastError();
        ctx_ = ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
        ctx_->replyTimeout = 300;
        ctx_->timers = ChannelTimers{5000, 10, 1000, 1000};
    }
    // The block exists only once the simulator started.
    void TearDown() override {
        if (ctx_ == nullptr) return;
        if (thread_.joinable()) {
            StoreRelease(ctx_->runFlag, 0);
            plat::EventSet(&ctx_->stopEvent);
            thread_.join();
        }
        for (StationEntry &st : ctx_->stations) CloseStation(st);
    }
    // Runs the channel thread until its first walk has ended. It then pauses
    // (loopSleep, a minute) with the stations as the walk left them, until
    // TearDown stops it.
    void WalkOnce() {
        ctx_->timers.loopSleep = 60000;
        StoreRelaxed(ctx_->runFlag, 1);
        thread_ = std::thread([this] { ChannelThread(*ctx_); });
        ASSERT_TRUE(plat::EventWait(&ctx_->firstWalkEvent, 120000));
    }
    StationEntry &Prepare(const PassCase &c) {
        StationEntry &st = ordax_test::ConfigureStation(*ctx_, kStation, kPlc5, kBase);
        if (c.partner) {
            st.standbyPlcType = kSlc5;
            std::snprintf(st.standbyAddress, sizeof st.standbyAddress, "%s", kStandby);
        }
        if (c.startOnStandby) {
            st.onStandby = 1;
            st.plcType = st.standbyPlcType;
            std::memcpy(st.address, st.standbyAddress, sizeof st.address);
        }
        ctx_->channelOpen = c.channelOpen ? 1 : 0;
        return st;
    }
    void ShapeSimulator(const PassCase &c) {
        if (c.swapMaster) {
            ASSERT_TRUE(sim_.SwapMaster(pair_));
        }
        const plcsim::Address n31{plcsim::FileType::N, 31, 0, 0};
        if (c.wordBase >= 0) {
            ASSERT_TRUE(Base().SetWord(n31, static_cast<uint16_t>(c.wordBase)));
        }
        if (c.wordStandby >= 0) {
            ASSERT_TRUE(Standby().SetWord(n31, static_cast<uint16_t>(c.wordStandby)));
        }
        switch (c.faultBase) {
            case Fault::kRefuse:
                Base().SetAccepting(false);
                break;
            case Fault::kSwallow:
                Base().SwallowNext(1);
                break;
            case Fault::kSts10:
                Base().ForceStatusNext({0x10, 0});
                break;
            case Fault::kNone:
                break;
        }
        if (c.refuseStandby) Standby().SetAccepting(false);
    }
    plcsim::Station &Base() { return sim_.station(base_); }
    plcsim::Station &Standby() { return sim_.station(standby_); }

    plcsim::Simulator sim_;
    int base_ = -1;
    int standby_ = -1;
    int pair_ = -1;
    std::unique_ptr<DriverContext> ctx_;
    std::thread thread_;
    ordax_test::MessageCapture log_;
};

TEST_P(SupervisePassTest, ConnectsChecksTheMasterFlagAndSwitches) {
    const PassCase &c = GetParam();
    StationEntry &st = Prepare(c);
    if (c.startConnected) {
        ASSERT_TRUE(ordax_test::ConnectStation(*ctx_, kStation));
    }
    const plat::Socket socketBefore = st.socket;
    ShapeSimulator(c);
    const std::uint64_t baseBefore = Base().counters().requests;
    const std::uint64_t standbyBefore = Standby().counters().requests;
    // The pass reads with a Transaction of its own; the host's stays as it is.
    std::memset(&ctx_->txn, 0x5C, sizeof ctx_->txn);
    const Transaction hostTxn = ctx_->txn;
    log_.Clear();

    WalkOnce();

    EXPECT_EQ(chantest::PassMessages(log_), c.messages);
    EXPECT_EQ(st.onStandby, c.endOnStandby ? 1 : 0);
    EXPECT_EQ(st.plcType, c.endOnStandby ? kSlc5 : kPlc5);
    EXPECT_STREQ(st.address, c.endOnStandby ? kStandby : kBase);
    EXPECT_STREQ(st.baseAddress, kBase);
    EXPECT_EQ(st.basePlcType, kPlc5);
    EXPECT_EQ(st.socket != plat::kNoSocket, c.endConnected);
    if (c.startConnected && c.endConnected && c.readsBase + c.readsStandby == 0) {
        EXPECT_EQ(st.socket, socketBefore);  // a connected station is left alone
    }
    EXPECT_EQ(Base().counters().requests - baseBefore, static_cast<std::uint64_t>(c.readsBase));
    EXPECT_EQ(Standby().counters().requests - standbyBefore,
              static_cast<std::uint64_t>(c.readsStandby));
    EXPECT_EQ(std::memcmp(&ctx_->txn, &hostTxn, sizeof hostTxn), 0);
    EXPECT_EQ(st.lock.futex, 0u) << "the pass must release the station's lock";
}

const PassCase kPassCases[] = {
    {.name = "NoPartnerConnectedIsLeftAlone", .partner = false, .startConnected = true},
    // The base is not the master, but a station without partner reads no flag.
    {.name = "NoPartnerUnconnectedConnectsOnly",
     .partner = false,
     .swapMaster = true,
     .messages = {Connected(kBase)}},
    {.name = "NoPartnerRefusedDoesNotSwitch",
     .partner = false,
     .faultBase = Fault::kRefuse,
     .messages = {Failed(kBase)},
     .endConnected = false},
    {.name = "ChannelClosedReadsNoFlag",
     .channelOpen = false,
     .swapMaster = true,
     .messages = {Connected(kBase)}},
    {.name = "ChannelClosedSwitchesOnFailedConnect",
     .channelOpen = false,
     .faultBase = Fault::kRefuse,
     .messages = {Failed(kBase), kHotBackup, Connected(kStandby)},
     .endOnStandby = true},
    {.name = "FlagSetKeepsTheStation", .messages = {Connected(kBase)}, .readsBase = 1},
    {.name = "OddFlagWordIsMaster",
     .startConnected = true,
     .wordBase = 3,
     .wordStandby = 0,
     .readsBase = 1},
    {.name = "AllBitsSetIsMaster",
     .startConnected = true,
     .wordBase = 0xFFFF,
     .wordStandby = 1,
     .readsBase = 1},
    {.name = "FlagTwoSwitchesToThePartner",
     .wordBase = 2,
     .wordStandby = 1,
     .messages = {Connected(kBase), kNotSet, Connected(kStandby)},
     .endOnStandby = true,
     .readsBase = 1,
     .readsStandby = 1},
    {.name = "SwappedMasterSwitchesToThePartner",
     .startConnected = true,
     .swapMaster = true,
     .messages = {kNotSet, Connected(kStandby)},
     .endOnStandby = true,
     .readsBase = 1,
     .readsStandby = 1},
    {.name = "NeitherMasterEndsOnTheStartUnconnected",
     .wordBase = 2,
     .wordStandby = 0,
     .messages = {Connected(kBase), kNotSet, Connected(kStandby), kNotSet},
     .endConnected = false,
     .readsBase = 1,
     .readsStandby = 1},
    {.name = "NeitherMasterFromTheStandby",
     .startOnStandby = true,
     .wordBase = 0,
     .wordStandby = 0,
     .messages = {Connected(kStandby), kNotSet, Connected(kBase), kNotSet},
     .endOnStandby = true,
     .endConnected = false,
     .readsBase = 1,
     .readsStandby = 1},
    {.name = "StandbyActiveBaseMasterSwitchesBack",
     .startOnStandby = true,
     .messages = {Connected(kStandby), kNotSet, Connected(kBase)},
     .readsBase = 1,
     .readsStandby = 1},
    {.name = "FlagReadTimeoutClosesWithoutSwitch",
     .faultBase = Fault::kSwallow,
     .messages = {Connected(kBase), kReportNotConnected, ReadError(kBase)},
     .endConnected = false,
     .readsBase = 1},
    {.name = "FlagReadRefusedClosesWithoutSwitch",
     .startConnected = true,
     .swapMaster = true,
     .faultBase = Fault::kSts10,
     .messages = {kReportRemote10, ReadError(kBase)},
     .endConnected = false,
     .readsBase = 1},
    {.name = "RefusedActiveThenPartnerFlagChecked",
     .swapMaster = true,
     .faultBase = Fault::kRefuse,
     .messages = {Failed(kBase), kHotBackup, Connected(kStandby)},
     .endOnStandby = true,
     .readsStandby = 1},
    // Connect-failure switches do not count; the two flag switches end the pass.
    {.name = "RefusedActivePartnerNotMaster",
     .faultBase = Fault::kRefuse,
     .messages = {Failed(kBase), kHotBackup, Connected(kStandby), kNotSet, Failed(kBase),
                  kHotBackup, Connected(kStandby), kNotSet},
     .endConnected = false,
     .readsStandby = 2},
    {.name = "BothRefusedLeavesThePartnerActive",
     .faultBase = Fault::kRefuse,
     .refuseStandby = true,
     .messages = {Failed(kBase), kHotBackup, Failed(kStandby)},
     .endOnStandby = true,
     .endConnected = false},
};

INSTANTIATE_TEST_SUITE_P(HotBackup, SupervisePassTest, ::testing::ValuesIn(kPassCases),
                         [](const auto &param) { return std::string(param.param.name); });

}  // namespace
