// Timing lines: which of the four settings each value sets.
#include <cstdint>
#include <string>

#include "tests/nodefile/node_fixture.h"

namespace nodefile_test {
namespace {

struct TimingCase {
    const char *line;
    std::uint32_t supervise, loop, connect, session;
};

constexpr std::uint32_t kMinus1 = 0xFFFFFFFFu;

// Starting from the defaults 5000, 250, 5000, 5000.
constexpr TimingCase kTimingCases[] = {
    {"T;;;;", 5000, 250, 5000, 5000},
    {"T0;0;0;0;", 0, 0, 0, 0},
    {"T100", 5000, 250, 5000, 5000},
    {"T", 5000, 250, 5000, 5000},
    {"T1000;300", 1000, 250, 5000, 5000},
    {"T1000;300;6000;7000", 1000, 300, 6000, 5000},
    {"T1000;300;6000;7000;", 1000, 300, 6000, 7000},
    {"T;;;9000;", 5000, 250, 5000, 9000},
    {"T;9;", 5000, 9, 5000, 5000},
    {"Tabc;", 0, 250, 5000, 5000},
    {"T12ab;x3;", 12, 0, 5000, 5000},
    {"T1;2;3;4;5;6;", 1, 2, 3, 4},
    {"T1;;3", 1, 250, 5000, 5000},
    {"T+25;-1;", 25, kMinus1, 5000, 5000},
    {"T99999999999;-99999999999;", 2147483647u, 0x80000000u, 5000, 5000},
    {"T2147483647;-2147483648;", 2147483647u, 0x80000000u, 5000, 5000},
    // The connect and session waits are held to a minute; 0 stays 0.
    {"T1000;100;2000;-1;", 1000, 100, 2000, 60000},
    {"T;;-1;-2147483648;", 5000, 250, 60000, 60000},
    {"T;;60000;60001;", 5000, 250, 60000, 60000},
    {"T;;0;99999999999;", 5000, 250, 0, 60000},
    {"T;;-99999999999;59999;", 5000, 250, 60000, 59999},
};

class TimingLine : public ::testing::TestWithParam<TimingCase> {};

TEST_P(TimingLine, SetsOnlyClosedNonEmptyValuesInOrder) {
    const TimingCase &c = GetParam();
    ordax::ChannelTimers timers = ordax::kDefaultTimers;
    ordax::ApplyTimingLine(c.line, &timers);
    EXPECT_EQ(timers.superviseInterval, c.supervise) << c.line;
    EXPECT_EQ(timers.loopSleep, c.loop) << c.line;
    EXPECT_EQ(timers.connectTimeout, c.connect) << c.line;
    EXPECT_EQ(timers.sessionTimeout, c.session) << c.line;
}

INSTANTIATE_TEST_SUITE_P(Values, TimingLine, ::testing::ValuesIn(kTimingCases));

TEST_F(NodeFileTest, TimingLinesApplyInFileOrderAndCountNoStation) {
    EXPECT_FALSE(Read("T 1000; 300; 6000; 7000;\nT;;;9000;\n"));
    EXPECT_EQ(Timers().superviseInterval, 1000u);
    EXPECT_EQ(Timers().loopSleep, 300u);
    EXPECT_EQ(Timers().connectTimeout, 6000u);
    EXPECT_EQ(Timers().sessionTimeout, 9000u);
}

TEST_F(NodeFileTest, LowerCaseTimingLineIsAComment) {
    EXPECT_TRUE(Read("t100;\n01=10.0.0.1\n"));
    EXPECT_EQ(Timers().superviseInterval, 5000u);
}

TEST_F(NodeFileTest, ShortTimingLastLineWithoutLineFeedApplies) {
    EXPECT_TRUE(Read("01=10.0.0.1\nT100;;;;"));
    EXPECT_EQ(Timers().superviseInterval, 100u);
    EXPECT_EQ(Timers().loopSleep, 250u);
}

}  // namespace
}  // namespace nodefile_test
