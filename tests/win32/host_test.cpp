// A Windows host of the driver, run under Wine against the native PLC
// simulator on loopback (scripts/wine-test starts it): everything goes
// through ordax.dll's PdxMain and the host library TAMHUB.dll, as a host
// application would call them.
//
// Stations the simulator serves: a PLC-5 at 127.0.0.121, an SLC 5/05 at
// 127.0.0.122 and a PLC-5 hot-backup pair 127.0.0.123 / 127.0.0.124 whose
// second processor is the master.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "host/tamhub.h"
#include "ordax.h"

namespace {

constexpr int kChannel = 61;
constexpr char kNodeFile[] = "Ordax61.int";
constexpr char kNodeText[] =
    "* Windows host test\n"
    "T 1000; 20; 1000; 1000;\n"
    "01 = 127.0.0.121\n"
    "02 = 127.0.0.122-SLC5\n"
    "03 = 127.0.0.123, 127.0.0.124\n"
    "04 = 127.0.0.125\n";  // nobody listens there

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
    PdxCall call{};
    call.driverContext = block;
    call.command = command;
    call.channel = channel;
    call.args = args;
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

// With openNow 0 the channel is prepared but stays closed; a node file
// that is missing fails the open with the reader's message.
TEST_F(WindowsHost, PreparedOnlyAndMissingNodeFile) {
    OpenArgs open{};
    open.openNow = 0;
    EXPECT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open), PDX_DONE);
    EXPECT_FALSE(log_.Has("8|Ordax : Connected to 127.0.0.121"));
    EXPECT_EQ(Call(block_.data(), PDX_CLOSE_CHANNEL, nullptr), PDX_DONE);

    open.openNow = 1;
    EXPECT_EQ(Call(block_.data(), PDX_OPEN_CHANNEL, &open, 62), PDX_LINK_ERROR);
    EXPECT_TRUE(log_.Has("32|Ordax : File Ordax62.int not found !"));
}

}  // namespace
