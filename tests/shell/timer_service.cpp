// The framework clock and the seconds countdown on the virtual multimedia timer, and the
// service's behaviour when the timer device cannot serve it.
#include "shell/timer_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/faults.h"
#include "platform/win32/timer_internal.h"
#include "shell/debug_log.h"
#include "tests/support/temp_dir.h"

namespace {

class TimerService : public ::testing::Test {
protected:
    void SetUp() override {
        platform::timersSetVirtual(true);
        platform::faultClearAll();
    }
    void TearDown() override {
        stopTimerService();
        platform::faultClearAll();
        startCountdown();
        setCountdown(0);
    }
    static void ticks(int n) {
        for (int i = 0; i < n; ++i) platform::timersDeliverVirtualTick(10);
    }
};

TEST_F(TimerService, AHundredTicksMakeASecondOnTheClockAndTheCountdown) {
    ASSERT_EQ(startTimerService(), 0);
    const int start = getTimerClockMs();
    EXPECT_EQ(timerMsSince(start), 0);
    setCountdown(5);
    startCountdown();
    ticks(1);
    EXPECT_EQ(timerMsSince(start), 10);
    ticks(99);
    EXPECT_EQ(timerMsSince(start), 1000);
    EXPECT_EQ(getCountdown(), 4);
    // A stopped countdown keeps its value.
    stopCountdown();
    EXPECT_EQ(isCountdownRunning(), 0);
    ticks(300);
    EXPECT_EQ(getCountdown(), 4);
    // Running again, it counts from where it stood and stops at 0.
    startCountdown();
    ticks(1000);
    EXPECT_EQ(getCountdown(), 0);
    EXPECT_EQ(timerMsSince(start), 14000);
}

TEST_F(TimerService, StoppingFreezesTheClockAndIsSafeTwiceOrWithoutAStart) {
    stopTimerService();
    ASSERT_EQ(startTimerService(), 0);
    ticks(3);
    stopTimerService();
    stopTimerService();
    const int frozen = getTimerClockMs();
    ticks(50);
    EXPECT_EQ(getTimerClockMs(), frozen);
}

TEST_F(TimerService, WithoutATenMillisecondPeriodItLogsOnceAndTheClockStaysStill) {
    testsupport::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    setLogEnabled(1);
    platform::faultSet("timer-caps", true);
    const int before = getTimerClockMs();
    EXPECT_EQ(startTimerService(), 1);
    ticks(20);
    EXPECT_EQ(getTimerClockMs(), before);
    setLogEnabled(0);
    closeDebugLog();
    std::ifstream in(dir.path() / "debug.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "Unable to use timers on this system");
    std::filesystem::current_path(previous);
}

TEST_F(TimerService, OtherTimerFailuresLeaveTheClockFrozenQuietly) {
    const int before = getTimerClockMs();
    platform::faultSet("time-begin-period", true);
    EXPECT_EQ(startTimerService(), 1);
    ticks(10);
    EXPECT_EQ(getTimerClockMs(), before);
    platform::faultClearAll();
    platform::faultSet("time-set-event", true);
    EXPECT_EQ(startTimerService(), 0);
    ticks(10);
    EXPECT_EQ(getTimerClockMs(), before);
}

}  // namespace
