// Events, waits, threads and global memory with the Windows rules the sound code uses.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/win32/threads_internal.h"
#include "platform/win32/win32.h"

namespace {

TEST(Events, WaitForAnyTakesTheLowestSignalledAndResetsOnlyAutoResetEvents) {
    HANDLE autoEv = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE other = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE all[3] = {other, autoEv, manual};
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_TIMEOUT);
    SetEvent(manual);
    SetEvent(autoEv);
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 2) << "auto-reset consumed";
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 2) << "manual stays set";
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    for (HANDLE h : all) EXPECT_TRUE(CloseHandle(h));
}

TEST(Events, WaitAllNeedsEveryObjectAndTimeoutsElapse) {
    HANDLE a = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    HANDLE b = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE both[2] = {a, b};
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
    SetEvent(b);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT) << "wait-all consumed both";
    CloseHandle(a);
    CloseHandle(b);
}

TEST(Events, SixtyFourHandlesAtMostAndUnknownHandlesFail) {
    std::vector<HANDLE> many;
    for (int i = 0; i < 65; ++i) many.push_back(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    SetEvent(many[63]);
    EXPECT_EQ(WaitForMultipleObjects(64, many.data(), FALSE, 0), WAIT_OBJECT_0 + 63);
    EXPECT_EQ(WaitForMultipleObjects(65, many.data(), FALSE, 0), WAIT_FAILED);
    for (HANDLE h : many) CloseHandle(h);
    HANDLE stale = many[0];
    EXPECT_EQ(WaitForSingleObject(stale, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(stale));
}

TEST(Events, ASetEventWakesAThreadBlockedForever) {
    HANDLE ev = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<DWORD> result{12345};
    std::thread waiter([&] { result = WaitForSingleObject(ev, INFINITE); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(result.load(), 12345u);
    SetEvent(ev);
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_OBJECT_0);
    CloseHandle(ev);
}

DWORD returnParam(LPVOID p) {
    Sleep(30);
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(p));
}

TEST(Threads, AThreadHandleIsSignalledAtItsEndWithItsExitCode) {
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, returnParam, reinterpret_cast<LPVOID>(42), 0, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(SetThreadPriority(t, THREAD_PRIORITY_HIGHEST));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(t));
    EXPECT_FALSE(CloseHandle(t)) << "a handle closes once";
}

std::atomic<int> g_ticks{0};
DWORD countUntilSet(LPVOID ev) {
    while (WaitForSingleObject(static_cast<HANDLE>(ev), 5) == WAIT_TIMEOUT) ++g_ticks;
    return 7;
}

TEST(Threads, ClosingAThreadHandleLeavesTheThreadRunning) {
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE t = CreateThread(nullptr, 0, countUntilSet, stop, 0, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(CloseHandle(t));
    const int before = g_ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_GT(g_ticks.load(), before);
    SetEvent(stop);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    CloseHandle(stop);
}

HANDLE g_wake;
std::atomic<int> g_woken{0};
DWORD wakeCounter(LPVOID) {
    for (;;) {
        if (WaitForSingleObject(g_wake, INFINITE) != WAIT_OBJECT_0) return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // work after waking
        if (++g_woken == 3) return 0;
    }
}

TEST(Threads, IdleMeansEveryThreadIsBackWaitingAfterASetEvent) {
    g_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE t = CreateThread(nullptr, 0, wakeCounter, nullptr, 0, nullptr);
    ASSERT_TRUE(platform::threadsWaitUntilIdle(2000));
    for (int i = 1; i <= 2; ++i) {
        SetEvent(g_wake);
        // The woken thread works 20 ms; idle is reached only after it has counted.
        ASSERT_TRUE(platform::threadsWaitUntilIdle(2000));
        EXPECT_EQ(g_woken.load(), i);
    }
    SetEvent(g_wake);
    EXPECT_EQ(WaitForSingleObject(t, 2000), WAIT_OBJECT_0);
    EXPECT_TRUE(platform::threadsWaitUntilIdle(100)) << "an ended thread counts as idle";
    CloseHandle(t);
    CloseHandle(g_wake);
}

TEST(GlobalMemory, ZeroFilledLockedAndFreed) {
    HGLOBAL h = GlobalAlloc(GHND, 1000);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 1000u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0) << i;
    p[999] = 1;
    EXPECT_FALSE(GlobalUnlock(h)) << "the last unlock reports the block unlocked";
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(Arithmetic, MulDivRoundsAndRefusesZero) {
    EXPECT_EQ(MulDiv(10, 3, 4), 8);   // 7.5 rounds up
    EXPECT_EQ(MulDiv(-10, 3, 4), -8);  // and away from zero below it
    EXPECT_EQ(MulDiv(7, 1, 3), 2);
    EXPECT_EQ(MulDiv(1 << 30, 8, 4), -1) << "overflow";
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

}  // namespace
