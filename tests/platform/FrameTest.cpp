#include <gtest/gtest.h>

#include "platform/MainFrame.h"

namespace vantor {
namespace {

TEST(Frame, MeterFillsTheRightHandNinth) {
    EXPECT_EQ(ProgressPartEdge(900), 800);
    EXPECT_EQ(ProgressPartEdge(10), 9);
    EXPECT_EQ(ProgressPartEdge(0), 0);
}

TEST(Frame, TenTimerTicksRewindTheMeterAndStopTheTimer) {
    ProgressMeter meter;
    FrameTimer timer(meter);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_FALSE(timer.OnTimer()) << "tick " << i;
        EXPECT_EQ(meter.Pos(), i);
    }
    EXPECT_TRUE(timer.OnTimer());
    EXPECT_EQ(meter.Pos(), 0);
    EXPECT_EQ(timer.Ticks(), 0);
    // An eleventh tick from another timer steps again from 0.
    EXPECT_FALSE(timer.OnTimer());
    EXPECT_EQ(meter.Pos(), 1);
}

TEST(Frame, MeterSteppedPastTheTopStartsAgain) {
    ProgressMeter meter;
    for (int i = 0; i < 10; ++i) meter.Step();
    EXPECT_EQ(meter.Pos(), 10);
    meter.Step();
    EXPECT_EQ(meter.Pos(), 0);
}

}  // namespace
}  // namespace vantor
