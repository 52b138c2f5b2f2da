// Dispatch through the command table and the small frame commands.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/context.h"
#include "ordax.h"
#include "testkit/host_channel.h"

namespace {

// A channel block filled with a pattern, to see what a command touches.
struct Block {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(PDX_CONTEXT_SIZE, 0xA5);
    void *data() { return bytes.data(); }
    ordax::DriverContext *ctx() { return reinterpret_cast<ordax::DriverContext *>(bytes.data()); }
};

int Call(int command, void *block, void *args) {
    return ordax_test::HostCall(block, command, 0, args);
}

TEST(CommandTable, CodesWithoutRoutineAnswerTwoAndTouchNothing) {
    for (int code : {0, 8, 9, 16, 17, -1, 1000, INT32_MIN, INT32_MAX}) {
        Block block;
        const auto before = block.bytes;
        EXPECT_EQ(Call(code, block.data(), nullptr), PDX_LINK_ERROR) << "code " << code;
        EXPECT_EQ(block.bytes, before) << "code " << code;
    }
}

TEST(CommandTable, NullCallIsRefused) {
    EXPECT_EQ(PdxMain(nullptr), PDX_LINK_ERROR);
}

TEST(CommandTable, NopAndUnsupportedChangeNothing) {
    Block block;
    const auto before = block.bytes;
    EXPECT_EQ(Call(PDX_NOP, block.data(), nullptr), PDX_DONE);
    EXPECT_EQ(Call(PDX_UNSUPPORTED_12, block.data(), nullptr), PDX_LINK_ERROR);
    EXPECT_EQ(Call(PDX_UNSUPPORTED_13, block.data(), nullptr), PDX_LINK_ERROR);
    EXPECT_EQ(block.bytes, before);
}

TEST(CommandTable, EveryCodeFromOneToFifteenHasAnAnswer) {
    // Routines that need a channel are exercised by their own tests; here each
    // slot must be reachable and answer a host result code.
    for (int code = 1; code <= 15; ++code) {
        if (code == PDX_OPEN_CHANNEL || code == PDX_CLOSE_CHANNEL) continue;
        if (code >= 3 && code <= 7) continue;
        if (code == 10) continue;
        Block block;
        DriverInfo info{};
        TimeoutArgs timeout{};
        void *args = code == PDX_DESCRIBE_DRIVER ? static_cast<void *>(&info)
                                                 : static_cast<void *>(&timeout);
        int result = Call(code, block.data(), args);
        EXPECT_GE(result, 0) << code;
        EXPECT_LE(result, 2) << code;
    }
}

// The data access commands need a gate record with a value buffer; without
// one they refuse the request and leave the channel block alone.
TEST(CommandTable, DataAccessWithoutGateRecordIsRefused) {
    GateAccess noBuffer{};
    for (int code : {PDX_READ_GATE, PDX_READ_BLOCK, PDX_WRITE_GATE, PDX_WRITE_BLOCK}) {
        for (void *args : {static_cast<void *>(nullptr), static_cast<void *>(&noBuffer)}) {
            Block block;
            const auto before = block.bytes;
            EXPECT_EQ(Call(code, block.data(), args), PDX_REQUEST_ERROR) << "code " << code;
            EXPECT_EQ(block.bytes, before) << "code " << code;
        }
    }
}

struct TimeoutCase {
    int32_t timeoutCs;
    uint32_t expectedMs;
};

class SetReplyTimeout : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(SetReplyTimeout, SetsMillisecondsWithFloorAndCap) {
    Block block;
    block.ctx()->replyTimeout = 4321;
    TimeoutArgs args{};
    args.timeoutCs = GetParam().timeoutCs;
    EXPECT_EQ(Call(PDX_SET_REPLY_TIMEOUT, block.data(), &args), PDX_DONE);
    EXPECT_EQ(block.ctx()->replyTimeout, GetParam().expectedMs);
}

INSTANTIATE_TEST_SUITE_P(Values, SetReplyTimeout,
                         ::testing::Values(TimeoutCase{0, 4321},   // 0 keeps the current value
                                           TimeoutCase{50, 1000},  // raised to the minimum
                                           TimeoutCase{99, 1000}, TimeoutCase{100, 1000},
                                           TimeoutCase{101, 1010}, TimeoutCase{150, 1500},
                                           TimeoutCase{1, 1000},
                                           // 429496730 x 10 wraps to 4 in 32 bits; the driver caps
                                           // at a minute instead of handing out a short time-out.
                                           TimeoutCase{429496730, 60000u},
                                           TimeoutCase{214748364, 60000u},
                                           TimeoutCase{6001, 60000u}, TimeoutCase{-1, 60000u},
                                           TimeoutCase{-2147483647 - 1, 60000u}));

TEST(SetReplyTimeoutOnly, ChangesNothingElseInTheBlock) {
    Block block;
    auto before = block.bytes;
    TimeoutArgs args{};
    args.timeoutCs = 150;
    Call(PDX_SET_REPLY_TIMEOUT, block.data(), &args);
    const size_t at = offsetof(ordax::DriverContext, replyTimeout);
    for (size_t i = 0; i < block.bytes.size(); ++i) {
        if (i >= at && i < at + sizeof(uint32_t)) continue;
        ASSERT_EQ(block.bytes[i], before[i]) << "byte " << i;
    }
}

}  // namespace
