// Tick count across the 32-bit wrap, the station lock, threads and the
// event a pause waits on.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ostream>
#include <string>

#include "platform/clock.h"
#include "platform/lock.h"
#include "platform/thread.h"

namespace {

// The tick count moves in steps: 1 ms on Linux, 10 to 16 ms on Windows
// (GetTickCount), so a measured time may read up to one step short.
constexpr std::uint32_t kTickStepMs = 16;

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
    EXPECT_GE(elapsed + kTickStepMs, 250u);
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
    EXPECT_GE(plat::TickCount() - start + kTickStepMs, 30u);
}

// ---- The event ----------------------------------------------------------------

struct EventCase {
    const char *name;
    bool setFirst;    // set (then reset, when resetFirst) before the wait
    bool resetFirst;  //
    int setAfterMs;   // set by another thread this long into the wait; -1 never
    std::uint32_t waitMs;
    bool expectSet;
    std::uint32_t atLeastMs;  // the wait lasts at least this long
};

void PrintTo(const EventCase &c, std::ostream *os) {
    *os << c.name;
}

class EventWait : public ::testing::TestWithParam<EventCase> {};

// A zero-filled event is clear; a set ends a wait at once, before or during
// it, whatever its limit; without one the wait lasts as long as asked.
TEST_P(EventWait, EndsWhenSetOrAtItsLimit) {
    const EventCase &c = GetParam();
    plat::Event event;
    std::memset(&event, 0, sizeof event);
    EXPECT_FALSE(plat::EventIsSet(&event));
    if (c.setFirst) plat::EventSet(&event);
    if (c.resetFirst) plat::EventReset(&event);
    struct Setter {
        plat::Event *event;
        int afterMs;
    } setter{&event, c.setAfterMs};
    plat::ThreadHandle thread = 0;
    if (c.setAfterMs >= 0) {
        auto body = [](void *p) {
            auto *s = static_cast<Setter *>(p);
            plat::SleepMs(static_cast<std::uint32_t>(s->afterMs));
            plat::EventSet(s->event);
        };
        ASSERT_EQ(plat::ThreadStart(body, &setter, 65535, &thread), 0);
    }
    const std::uint32_t start = plat::TickCount();
    EXPECT_EQ(plat::EventWait(&event, c.waitMs), c.expectSet);
    const std::uint32_t elapsed = plat::TickCount() - start;
    if (thread != 0) plat::ThreadJoin(thread);
    EXPECT_GE(elapsed + kTickStepMs, c.atLeastMs);
    EXPECT_LT(elapsed, 10000u);
    EXPECT_EQ(plat::EventIsSet(&event), c.expectSet);
}

INSTANTIATE_TEST_SUITE_P(
    Event, EventWait,
    ::testing::Values(EventCase{"SetBefore", true, false, -1, 0xFFFFFFFFu, true, 0},
                      EventCase{"SetDuringALongLimit", false, false, 100, 0xFFFFFFFFu, true, 100},
                      EventCase{"SetDuringAShortLimit", false, false, 100, 5000, true, 100},
                      EventCase{"NeverSet", false, false, -1, 200, false, 200},
                      EventCase{"ResetAfterSet", true, true, -1, 100, false, 100},
                      EventCase{"ZeroLimit", false, false, -1, 0, false, 0}),
    [](const auto &param) { return std::string(param.param.name); });

}  // namespace
