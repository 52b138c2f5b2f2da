// The exchange path allocates nothing: request building, send, receive
// and reply matching all work in the channel's own buffers.
#include <gtest/gtest.h>

#include "testkit/alloc_counter.h"
#include "tests/link/link_fixture.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;

TEST(Allocations, NonePerTransactInSteadyState) {
    plcsim::Simulator sim;
    const int h = sim.AddStation({"127.0.0.32", plcsim::Family::Plc5, "", 2222});
    ASSERT_GE(h, 0) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    auto ctx = linktest::NewContext();
    StationEntry &st = linktest::Configure(*ctx, 9, kPlc5, "127.0.0.32");
    ASSERT_TRUE(ordax_test::ConnectStation(*ctx, 9));

    Transaction &txn = ctx->txn;
    txn.station = 9;
    txn.fileType = kFileN;
    txn.fileNumber = 7;
    const std::int32_t kinds[] = {ReadSingleWord, ReadWords, WriteWords, WriteBit};
    const std::uint16_t counts[] = {1, 100, 100, 1};
    std::uint64_t allocations = 0;
    int failures = 0;
    for (int round = 0; round < 2; ++round) {  // the first round warms up
        const std::uint64_t before = alloc_counter::ThreadAllocations();
        for (int i = 0; i < 50; ++i) {
            txn.function = kinds[i % 4];
            txn.count = counts[i % 4];
            txn.bit = 2;
            if (Transact(*ctx, txn, nullptr) != kLinkOk || txn.sts != 0) ++failures;
        }
        allocations = alloc_counter::ThreadAllocations() - before;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(allocations, 0u);
    CloseStation(st);
}

TEST(Allocations, CounterSeesAnAllocation) {
    const std::uint64_t before = alloc_counter::ThreadAllocations();
    // A direct call that escapes through a volatile pointer: an optimizer may
    // drop a new-expression whose result is unused, but not this.
    void *volatile p = ::operator new(sizeof(std::uint64_t));
    const std::uint64_t after = alloc_counter::ThreadAllocations();
    ::operator delete(p);
    EXPECT_GE(after - before, 1u);
}

}  // namespace
