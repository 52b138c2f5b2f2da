// Reading a whole node file: its name, the missing-file message, the result.
#include <climits>
#include <cstring>
#include <string>

#include "core/codes.h"
#include "core/message.h"
#include "testkit/messages.h"
#include "tests/nodefile/node_fixture.h"

namespace nodefile_test {
namespace {

std::string NameOf(int channel) {
    char name[ordax::kNodeFileNameCapacity];
    ordax::NodeFileName(channel, name);
    return name;
}

TEST(NodeFileName, TwoDigitsAtLeastAndAnyChannelFits) {
    EXPECT_EQ(NameOf(1), "Ordax01.int");
    EXPECT_EQ(NameOf(0), "Ordax00.int");
    EXPECT_EQ(NameOf(12), "Ordax12.int");
    EXPECT_EQ(NameOf(123), "Ordax123.int");
    EXPECT_EQ(NameOf(123456), "Ordax123456.int");
    EXPECT_EQ(NameOf(1234567), "Ordax1234567.int");
    EXPECT_EQ(NameOf(-5), "Ordax-05.int");
    EXPECT_EQ(NameOf(INT_MIN), "Ordax-2147483648.int");
}

const char kExample[] =
    "* channel 1 of the bottling line\n"
    "T 5000; 250; 5000; 5000;\n"
    "01 = 192.168.1.10\n"
    "02 = 192.168.1.20-SLC5\n"
    "05 = 192.168.1.50-PLC5, 192,168,1,51 ; PLC5\n"
    "07 = 192.168.1.70-slc5,192.168.1.71;slc5\n";

TEST_F(NodeFileTest, ExampleFileConfiguresFourStations) {
    ordax_test::MessageCapture messages;
    ASSERT_TRUE(Read(kExample));
    EXPECT_EQ(messages.Count(), 0u);
    EXPECT_STREQ(Station(1).address, "192.168.1.10");
    EXPECT_EQ(Station(1).plcType, ordax::kPlc5);
    EXPECT_EQ(Station(1).standbyPlcType, ordax::kPlcNone);
    EXPECT_STREQ(Station(2).address, "192.168.1.20");
    EXPECT_EQ(Station(2).plcType, ordax::kSlc5);
    EXPECT_STREQ(Station(5).standbyAddress, "192.168.1.51");
    EXPECT_EQ(Station(5).standbyPlcType, ordax::kPlc5);
    EXPECT_EQ(Station(7).plcType, ordax::kSlc5);
    EXPECT_EQ(Station(7).standbyPlcType, ordax::kSlc5);
    EXPECT_STREQ(Station(7).standbyAddress, "192.168.1.71");
    for (int n : {0, 3, 4, 6, 8, 50, 99}) {
        EXPECT_EQ(Station(n).plcType, ordax::kPlcNone) << n;
        EXPECT_EQ(Station(n).socket, -1) << n;
    }
    EXPECT_EQ(Timers().superviseInterval, 5000u);
    EXPECT_EQ(Timers().loopSleep, 250u);
}

TEST_F(NodeFileTest, CarriageReturnsReadLikePlainLineFeeds) {
    std::string crlf;
    for (const char *c = kExample; *c != '\0'; ++c) {
        if (*c == '\n') crlf += '\r';
        crlf += *c;
    }
    ASSERT_TRUE(Read(crlf));
    auto withCr = std::move(ctx_);
    ctx_ = Cleared();
    ASSERT_TRUE(Read(kExample));
    EXPECT_EQ(std::memcmp(withCr->stations, ctx_->stations, sizeof ctx_->stations), 0);
}

TEST_F(NodeFileTest, MissingFileIsReportedAtLevel32) {
    ordax_test::MessageCapture messages;
    EXPECT_FALSE(ordax::ReadNodeFile(ctx_.get(), 7));
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_TRUE(messages.Has("Ordax : File Ordax07.int not found !", ordax::kLevelError));
    EXPECT_EQ(Station(0).plcType, 0);
}

TEST_F(NodeFileTest, FileIsLookedUpByChannelInTheCurrentDirectory) {
    Write("Ordax12.int", "03=10.0.0.3\n");
    Write("Ordax123.int", "04=10.0.0.4\n");
    ASSERT_TRUE(ordax::ReadNodeFile(ctx_.get(), 12));
    EXPECT_EQ(Station(3).plcType, 1);
    EXPECT_EQ(Station(4).plcType, 0);
    ASSERT_TRUE(ordax::ReadNodeFile(ctx_.get(), 123));
    EXPECT_EQ(Station(4).plcType, 1);
}

TEST_F(NodeFileTest, FileWithoutStationLineIsNoWithoutMessage) {
    ordax_test::MessageCapture messages;
    EXPECT_FALSE(Read(""));
    EXPECT_FALSE(Read("* only a comment\n\n   \nT1;2;3;4;\nA01=10.0.0.1\n"));
    EXPECT_EQ(messages.Count(), 0u);
    EXPECT_EQ(Timers().sessionTimeout, 4u);
    EXPECT_EQ(Station(1).plcType, 0);
}

TEST_F(NodeFileTest, ExplicitPathVariantReadsThatFile) {
    Write("custom.int", "10=plc10-SLC5\n");
    ASSERT_TRUE(ordax::ReadNodeFileAt(ctx_.get(), (dir_.path() / "custom.int").string().c_str()));
    EXPECT_EQ(Station(10).plcType, ordax::kSlc5);
}

}  // namespace
}  // namespace nodefile_test
