#include <tovren/tovren.h>

#include <gtest/gtest.h>

namespace {

TEST(Timer, TriggersOncePerInterval) {
    cTOVREN_Timer timer;
    timer.Reset();
    EXPECT_EQ(timer.startMark, timer.lastReading);
    EXPECT_FALSE(timer.GetTimer(100));
    timer.startMark -= 150;  // as if 150 ms had passed
    EXPECT_TRUE(timer.GetTimer(100));
    EXPECT_EQ(timer.startMark, timer.lastReading);
    EXPECT_FALSE(timer.GetTimer(100));
}

TEST(Timer, ShiftIsSecondsSinceMarkAndKeepsIt) {
    cTOVREN_Timer timer;
    timer.Reset();
    timer.startMark -= 2500;
    const int32_t mark = timer.startMark;
    const float shift = timer.GetTimerShift();
    EXPECT_GE(shift, 2.5f);
    EXPECT_LT(shift, 3.5f);
    EXPECT_EQ(timer.startMark, mark);
}

TEST(Timer, SurvivesTickWrap) {
    cTOVREN_Timer timer;
    timer.Reset();
    // A mark just "before" the wrap of the 32-bit tick count is still in the past.
    timer.startMark = static_cast<int32_t>(static_cast<uint32_t>(timer.lastReading) - 200u);
    EXPECT_TRUE(timer.GetTimer(100));
    cTOVREN_Timer copy = timer;
    EXPECT_EQ(copy.startMark, timer.startMark);
}

}  // namespace
