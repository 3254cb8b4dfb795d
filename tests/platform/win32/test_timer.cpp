// Multimedia timers: capabilities, the period, one-shot timers, and kill semantics,
// on the real clock and on the virtual one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/faults.h"
#include "platform/win32/mmsystem.h"
#include "platform/win32/timer_internal.h"

namespace {

std::atomic<int> g_count{0};
void CALLBACK count(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) { ++g_count; }

TEST(Timer, CapabilitiesAllowTenMillisecondsUnlessTheSystemCannot) {
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_LE(caps.wPeriodMin, 10u);
    EXPECT_GE(caps.wPeriodMax, 10u);
    EXPECT_EQ(timeGetDevCaps(&caps, 4), static_cast<MMRESULT>(TIMERR_STRUCT));
    platform::faultSet("timer-caps", true);
    timeGetDevCaps(&caps, sizeof caps);
    EXPECT_GT(caps.wPeriodMin, 10u);
    platform::faultSet("timer-caps", false);
    EXPECT_EQ(timeBeginPeriod(10), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(10), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeBeginPeriod(0), static_cast<MMRESULT>(TIMERR_NOCANDO));
}

TEST(Timer, APeriodicTimerTicksAtItsPeriodUntilKilled) {
    g_count = 0;
    UINT id = timeSetEvent(10, 5, count, 0, TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    const int ticks = g_count.load();
    EXPECT_GE(ticks, 15) << "about 30 expected in 300 ms";
    EXPECT_LE(ticks, 32);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(g_count.load(), ticks) << "no callback after timeKillEvent returned";
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST(Timer, AOneShotTimerRunsOnce) {
    g_count = 0;
    UINT id = timeSetEvent(10, 5, count, 0, TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(g_count.load(), 1);
    timeKillEvent(id);
}

std::atomic<bool> g_inside{false};
std::atomic<bool> g_finished{false};
void CALLBACK slow(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    g_inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    g_finished = true;
}

TEST(Timer, KillWaitsForACallbackInProgress) {
    g_inside = g_finished = false;
    UINT id = timeSetEvent(5, 1, slow, 0, TIME_PERIODIC);
    while (!g_inside) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    timeKillEvent(id);
    EXPECT_TRUE(g_finished.load()) << "kill returned while the callback still ran";
}

UINT g_selfId = 0;
std::atomic<int> g_selfCalls{0};
void CALLBACK killSelf(UINT id, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    ++g_selfCalls;
    timeKillEvent(id);
}

TEST(Timer, ATimerMayKillItselfFromItsCallback) {
    g_selfCalls = 0;
    g_selfId = timeSetEvent(5, 1, killSelf, 0, TIME_PERIODIC);
    ASSERT_NE(g_selfId, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(g_selfCalls.load(), 1);
}

std::atomic<std::thread::id> g_callbackThread;
void CALLBACK record(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    g_callbackThread = std::this_thread::get_id();
    ++*reinterpret_cast<std::atomic<int>*>(user);
}

TEST(Timer, VirtualTicksDeliverOneCallbackEachOnTheTimersThread) {
    platform::timersSetVirtual(true);
    std::atomic<int> calls{0};
    UINT id = timeSetEvent(10, 5, record, reinterpret_cast<DWORD_PTR>(&calls), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(calls.load(), 0) << "virtual time does not follow the clock";
    for (int i = 1; i <= 5; ++i) {
        platform::timersDeliverVirtualTick(10);
        EXPECT_EQ(calls.load(), i) << "the tick returns after its callback ran";
    }
    EXPECT_NE(g_callbackThread.load(), std::this_thread::get_id());
    platform::timersDeliverVirtualTick(25);
    EXPECT_EQ(calls.load(), 7) << "a longer step runs every callback that fell due";
    timeKillEvent(id);
    platform::timersSetVirtual(false);
    platform::faultSet("time-set-event", true);
    EXPECT_EQ(timeSetEvent(10, 5, count, 0, TIME_PERIODIC), 0u);
    platform::faultClearAll();
}

// While the frame loop rests no callback runs; when it wakes, every period of the rest is
// delivered before timersWake returns (the clock the callbacks keep reads true again), and
// the timer goes on at its period afterwards.
TEST(Timer, ARestHoldsTheCallbacksAndTheWakeDeliversEveryOneThatFellDue) {
    using namespace std::chrono;
    std::atomic<int> calls{0};
    const auto start = steady_clock::now();
    UINT id = timeSetEvent(10, 5, record, reinterpret_cast<DWORD_PTR>(&calls), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(milliseconds(55));
    platform::timersRest();
    std::this_thread::sleep_for(milliseconds(15));  // a callback already running ends
    // A timer killed during the rest ends at once, its thread included.
    UINT other = timeSetEvent(10, 5, count, 0, TIME_PERIODIC);
    ASSERT_NE(other, 0u);
    EXPECT_EQ(timeKillEvent(other), static_cast<MMRESULT>(TIMERR_NOERROR));
    const int atRest = calls.load();
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(calls.load(), atRest) << "no callback while resting";
    const auto woke = steady_clock::now();
    platform::timersWake();
    const int due = static_cast<int>(duration_cast<milliseconds>(woke - start).count() / 10);
    EXPECT_GE(calls.load(), due) << "every period of the rest delivered before the wake returns";
    EXPECT_LE(calls.load(), due + 2);
    EXPECT_NE(g_callbackThread.load(), std::this_thread::get_id());
    platform::timersWake();  // not resting: nothing to do
    const int afterWake = calls.load();
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_GE(calls.load() - afterWake, 5) << "ticking again at its period";
    EXPECT_LE(calls.load() - afterWake, 12);
    timeKillEvent(id);
}

}  // namespace

namespace {

TEST(Timer, AFiredOneShotIdIsGoneAndLeavingVirtualTimeResumesTheClock) {
    g_count = 0;
    UINT once = timeSetEvent(5, 1, count, 0, TIME_ONESHOT);
    ASSERT_NE(once, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(g_count.load(), 1);
    EXPECT_EQ(timeKillEvent(once), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));

    platform::timersSetVirtual(true);
    g_count = 0;
    UINT id = timeSetEvent(10, 5, count, 0, TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    platform::timersDeliverVirtualTick(10);
    EXPECT_EQ(g_count.load(), 1);
    platform::timersSetVirtual(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_GE(g_count.load(), 5) << "the timer went back to the clock";
    timeKillEvent(id);
}

TEST(TimerDeathTest, ATimerLeftRunningAtExitDoesNotAbortTheProcess) {
    EXPECT_EXIT(
        {
            timeSetEvent(10, 5, count, 0, TIME_PERIODIC);
            timeSetEvent(500, 5, count, 0, TIME_ONESHOT);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
}

}  // namespace
