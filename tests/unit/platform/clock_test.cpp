// The tick count: the manual clock of the tests and its wrap at 2^32.
#include "platform/platform.h"
#include "platform/host/host_hooks.h"
#include "tests/unit/platform/platform_fixture.h"

namespace {

class ClockTest : public PlatformTest {};

TEST_F(ClockTest, ManualClockWrapsAtTwoToThe32) {
    plat::host::UseManualClock(0xFFFFFFF0u);
    const uint32_t start = plat::TickCount();
    EXPECT_EQ(start, 0xFFFFFFF0u);
    plat::SleepMs(0x20);  // advances instead of sleeping
    const uint32_t later = plat::TickCount();
    EXPECT_EQ(later, 0x10u);
    EXPECT_EQ(later - start, 0x20u);  // time-outs measured by unsigned subtraction
    plat::host::AdvanceManualClock(5);
    EXPECT_EQ(plat::TickCount(), 0x15u);
}

TEST_F(ClockTest, PollingLoopWithoutSleepEnds) {
    plat::host::UseManualClock(0xFFFFFF00u, 7);
    const uint32_t start = plat::TickCount();
    uint32_t polls = 0;
    while (plat::TickCount() - start < 1000) ++polls;
    EXPECT_EQ(polls, 142u);  // 143 reads of 7 ms reach 1001 ms
}

TEST_F(ClockTest, RealClockMovesForward) {
    EXPECT_FALSE(plat::host::ManualClockRunning());
    const uint32_t start = plat::TickCount();
    plat::SleepMs(20);
    const uint32_t elapsed = plat::TickCount() - start;
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 10000u);
}

}  // namespace
