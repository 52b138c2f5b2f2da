// Station lines: address digits, separator, the split into base and standby
// parts, type texts, and what a line leaves untouched.
#include <cstring>
#include <string>

#include "tests/nodefile/node_fixture.h"

namespace nodefile_test {
namespace {

class StationLine : public NodeFileTest {
protected:
    bool Apply(const std::string &line) {
        return ordax::ApplyStationLine(line.c_str(), ctx_.get());
    }
    // True when the station still has the cleared state of command 1.
    bool Untouched(int n) const {
        const ordax::StationEntry &s = Station(n);
        return s.plcType == 0 && s.basePlcType == 0 && s.standbyPlcType == 0 &&
               s.address[0] == '\0' && s.baseAddress[0] == '\0' && s.standbyAddress[0] == '\0';
    }
};

struct SplitCase {
    const char *line;
    int station;
    const char *base;
    int baseType;
    const char *standby;  // nullptr: standby fields stay cleared
    int standbyType;
};

constexpr SplitCase kSplitCases[] = {
    {"01=192.168.1.10", 1, "192.168.1.10", 1, nullptr, 0},
    {"02=192.168.1.20-SLC5", 2, "192.168.1.20", 2, nullptr, 0},
    {"01=192.168.1.10-slc5", 1, "192.168.1.10", 2, nullptr, 0},
    {"01=192.168.1.10-SLC-5", 1, "192.168.1.10", 1, nullptr, 0},
    {"01=192.168.1.10-SLC55", 1, "192.168.1.10", 1, nullptr, 0},
    {"01=192.168.1.10-SLC", 1, "192.168.1.10", 1, nullptr, 0},
    {"01=192.168.1.10-", 1, "192.168.1.10", 1, nullptr, 0},
    {"03=10.0.0.3,10,0,0,4", 3, "10.0.0.3", 1, "10.0.0.4", 1},
    {"05=192.168.1.50-PLC5,192,168,1,51;PLC5", 5, "192.168.1.50", 1, "192.168.1.51", 1},
    {"07=192.168.1.70-slc5,192.168.1.71;sLc5", 7, "192.168.1.70", 2, "192.168.1.71", 2},
    {"08=a,b;SLC5", 8, "a", 1, "b", 2},
    {"08=a,b;SLC5;x", 8, "a", 1, "b", 1},
    {"08=a,b;x;SLC5", 8, "a", 1, "b", 2},
    {"08=a-x-SLC5,b", 8, "a", 2, "b", 1},
    {"08=a-SLC5-x,b", 8, "a", 1, "b", 1},
    {"08=a,b-SLC5", 8, "a", 2, "b", 1},    // a '-' in the standby part is a base type
    {"08=a;SLC5", 8, "a", 1, nullptr, 0},  // standby type without standby address
    {"08=a,", 8, "a", 1, "", 1},
    {"9=10.0.0.9", 9, "0.0.0.9", 1, nullptr, 0},
    {"09=10.0.0.9", 9, "10.0.0.9", 1, nullptr, 0},
    {"7==10.0.0.7", 7, "10.0.0.7", 1, nullptr, 0},
    {"42:#=plc42", 42, "plc42", 1, nullptr, 0},
    {"99=-SLC5", 99, "SLC5", 1, nullptr, 0},
    {"00=host.plant", 0, "host.plant", 1, nullptr, 0},
};

class StationSplit : public StationLine, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(StationSplit, SetsBaseActiveAndStandbyFields) {
    const SplitCase &c = GetParam();
    ASSERT_TRUE(Apply(c.line)) << c.line;
    const ordax::StationEntry &s = Station(c.station);
    EXPECT_STREQ(s.baseAddress, c.base) << c.line;
    EXPECT_STREQ(s.address, c.base) << c.line;
    EXPECT_EQ(s.basePlcType, c.baseType) << c.line;
    EXPECT_EQ(s.plcType, c.baseType) << c.line;
    EXPECT_STREQ(s.standbyAddress, c.standby == nullptr ? "" : c.standby) << c.line;
    EXPECT_EQ(s.standbyPlcType, c.standbyType) << c.line;
    EXPECT_EQ(s.socket, -1);
    for (int n = 0; n < ordax::kStationCount; ++n) {
        if (n == c.station) continue;
        EXPECT_TRUE(Untouched(n)) << c.line << " station " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, StationSplit, ::testing::ValuesIn(kSplitCases));

TEST_F(StationLine, LaterLineOverwritesButKeepsStandbyWithoutStandbyPart) {
    ASSERT_TRUE(Apply("05=10.0.0.1-SLC5,10.0.0.2;SLC5"));
    ASSERT_TRUE(Apply("05=10.0.0.9"));
    EXPECT_STREQ(Station(5).address, "10.0.0.9");
    EXPECT_EQ(Station(5).plcType, 1);
    EXPECT_STREQ(Station(5).standbyAddress, "10.0.0.2");
    EXPECT_EQ(Station(5).standbyPlcType, 2);
    ASSERT_TRUE(Apply("05=10.0.0.9,10.0.0.3"));
    EXPECT_STREQ(Station(5).standbyAddress, "10.0.0.3");
    EXPECT_EQ(Station(5).standbyPlcType, 1);
}

TEST_F(StationLine, NothingAfterSeparatorLeavesStationUntouched) {
    for (const char *line : {"0", "05", "05=", "05=-,;.", "5", "5=", "05=---"}) {
        EXPECT_FALSE(Apply(line)) << line;
        EXPECT_TRUE(Untouched(5)) << line;
        EXPECT_TRUE(Untouched(0)) << line;
    }
}

TEST_F(StationLine, AddressTextsOfUpTo31CharactersFitLongerSkipTheLine) {
    const std::string fits(31, 'h');
    const std::string tooLong(32, 'h');
    ASSERT_TRUE(Apply("06=" + fits + "," + fits));
    EXPECT_EQ(std::string(Station(6).baseAddress), fits);
    EXPECT_EQ(std::string(Station(6).standbyAddress), fits);
    EXPECT_FALSE(Apply("06=" + tooLong + "-SLC5"));
    EXPECT_FALSE(Apply("06=x," + tooLong));
    EXPECT_EQ(std::string(Station(6).address), fits);
    EXPECT_EQ(Station(6).plcType, 1);
    EXPECT_FALSE(Apply("04=" + std::string(200, 'z')));
    EXPECT_TRUE(Untouched(4));
}

TEST_F(StationLine, LineLongerThanTheBufferIsReadOnlyUpToIt) {
    // Only the first 135 characters are looked at: the ',' after them is
    // never seen.
    const std::string line = "01=10.0.0.1;" + std::string(123, 'Q') + ",10.0.0.2";
    ASSERT_TRUE(Apply(line));
    EXPECT_STREQ(Station(1).address, "10.0.0.1");
    EXPECT_EQ(Station(1).standbyPlcType, 0);
}

TEST_F(NodeFileTest, BlanksAroundPartsAreDroppedBeforeSplitting) {
    ASSERT_TRUE(Read("0 1 = 10.0.0.1 - slc5 , 10 , 0 , 0 , 2 ; SLC5\n"));
    EXPECT_STREQ(Station(1).address, "10.0.0.1");
    EXPECT_EQ(Station(1).plcType, 2);
    EXPECT_STREQ(Station(1).standbyAddress, "10.0.0.2");
    EXPECT_EQ(Station(1).standbyPlcType, 2);
}

TEST_F(NodeFileTest, ShortLastStationLineWithoutLineFeedCounts) {
    EXPECT_TRUE(Read("* one station\n01=plc1"));
    EXPECT_STREQ(Station(1).address, "plc1");
    EXPECT_EQ(Station(1).plcType, 1);
}

TEST_F(NodeFileTest, OverlongLinesNeitherOverrunNorLeakIntoTheNextLine) {
    std::string longComment = "*";
    longComment.append(400, 'x').append("02=evil\n");
    std::string longStation = "03=10.0.0.3-SLC5;";
    longStation.append(300, '7').append("\n");
    ASSERT_TRUE(Read(longComment + longStation + "04=10.0.0.4\n"));
    EXPECT_EQ(Station(2).plcType, 0);
    EXPECT_STREQ(Station(3).address, "10.0.0.3");
    EXPECT_EQ(Station(3).plcType, 2);
    EXPECT_STREQ(Station(4).address, "10.0.0.4");
}

TEST_F(NodeFileTest, SkippedLinesDoNotMakeTheResultYes) {
    EXPECT_FALSE(Read("05=\n06=" + std::string(40, 'a') + "\n"));
    EXPECT_EQ(Station(5).plcType, 0);
    EXPECT_EQ(Station(6).plcType, 0);
}

}  // namespace
}  // namespace nodefile_test
