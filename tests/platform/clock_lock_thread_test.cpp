// Tick count across the 32-bit wrap, the station lock and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "platform/clock.h"
#include "platform/lock.h"
#include "platform/thread.h"

namespace {

TEST(TickWithin, UsesUnsignedDifference) {
    EXPECT_TRUE(plat::TickWithin(100, 50, 150));
    EXPECT_FALSE(plat::TickWithin(100, 50, 151));
    // Across the wrap: 0xFFFFFFF0 -> 0x10 is 32 ms.
    EXPECT_TRUE(plat::TickWithin(0xFFFFFFF0u, 32, 0x10u));
    EXPECT_FALSE(plat::TickWithin(0xFFFFFFF0u, 31, 0x10u));
    EXPECT_TRUE(plat::TickWithin(0xFFFFFFFFu, 1, 0u));
    // A limit of 0 holds only for the same tick.
    EXPECT_TRUE(plat::TickWithin(7, 0, 7));
    EXPECT_FALSE(plat::TickWithin(7, 0, 8));
}

TEST(TickCount, StartsWhereTestsPutItAndWrapsHarmlessly) {
    plat::SetTickCount(0xFFFFFF9Cu);  // 100 ms before the wrap
    std::uint32_t start = plat::TickCount();
    EXPECT_GE(start, 0xFFFFFF9Cu);
    plat::SleepMs(250);
    std::uint32_t now = plat::TickCount();
    EXPECT_LT(now, start);  // wrapped
    std::uint32_t elapsed = now - start;
    EXPECT_GE(elapsed, 240u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_TRUE(plat::TickWithin(start, 5000));
    EXPECT_FALSE(plat::TickWithin(start, 100));
    plat::SetTickCount(1000);
}

TEST(Lock, ZeroFilledLockIsFreeAndExcludes) {
    plat::PlatLock lock;
    std::memset(&lock, 0, sizeof lock);
    plat::LockInit(&lock);
    std::int64_t counter = 0;
    struct Shared {
        plat::PlatLock *lock;
        std::int64_t *counter;
    } shared{&lock, &counter};
    auto body = [](void *p) {
        auto *s = static_cast<Shared *>(p);
        for (int i = 0; i < 200000; ++i) {
            plat::LockEnter(s->lock);
            ++*s->counter;
            plat::LockLeave(s->lock);
        }
    };
    plat::ThreadHandle a = 0, b = 0;
    ASSERT_EQ(plat::ThreadStart(body, &shared, 65535, &a), 0);
    ASSERT_EQ(plat::ThreadStart(body, &shared, 65535, &b), 0);
    plat::ThreadJoin(a);
    plat::ThreadJoin(b);
    EXPECT_EQ(counter, 400000);
    plat::LockDelete(&lock);
}

TEST(Thread, RunsBodyWithArgumentAndJoins) {
    std::atomic<int> value{0};
    plat::ThreadHandle h = 0;
    ASSERT_EQ(plat::ThreadStart([](void *p) { static_cast<std::atomic<int> *>(p)->store(42); },
                                &value, 65535, &h),
              0);
    EXPECT_NE(h, 0u);
    plat::ThreadJoin(h);
    EXPECT_EQ(value.load(), 42);
}

TEST(Sleep, WaitsAtLeastTheTime) {
    std::uint32_t start = plat::TickCount();
    plat::SleepMs(30);
    EXPECT_GE(plat::TickCount() - start, 29u);
}

}  // namespace
