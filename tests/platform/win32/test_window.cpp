// Window creation, the message queue and the window procedure, on the headless backend.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/win32/win32.h"

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id thread;
};
std::vector<Seen> g_seen;
bool g_closeDestroys = true;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back({message, wParam, lParam, std::this_thread::get_id()});
    if (message == WM_DESTROY) PostQuitMessage(3);
    if (message == WM_CLOSE && !g_closeDestroys) return 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc{};
            wc.style = CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = recordingProc;
            wc.lpszClassName = "Test Class";
            ASSERT_NE(RegisterClassA(&wc), 0);
            registered = true;
        }
        g_seen.clear();
        g_closeDestroys = true;
        platform::windowResetForTests();
    }
    void TearDown() override {
        if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
        platform::windowResetForTests();
    }
    HWND create(DWORD style = WS_VISIBLE) {
        hwnd = CreateWindowExA(0, "test class", "Title", style, 112, 84, 800, 600, nullptr, nullptr,
                               nullptr, nullptr);
        return hwnd;
    }
    bool sawMessage(UINT m) const {
        for (const Seen& s : g_seen)
            if (s.message == m) return true;
        return false;
    }
    HWND hwnd = nullptr;
};

TEST_F(WindowTest, ClassNamesMatchWithoutCaseAndUnknownClassesFail) {
    EXPECT_EQ(
        CreateWindowExA(0, "No Such Class", "", 0, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    ASSERT_NE(create(), nullptr);
    WNDCLASSA again{};
    again.lpfnWndProc = recordingProc;
    again.lpszClassName = "TEST CLASS";
    EXPECT_EQ(RegisterClassA(&again), 0) << "a class registered twice is refused";
}

TEST_F(WindowTest, CreatingAVisibleWindowSendsCreateSizeMoveAndActivation) {
    ASSERT_NE(create(), nullptr);
    ASSERT_GE(g_seen.size(), 4u);
    EXPECT_EQ(g_seen[0].message, WM_CREATE);
    EXPECT_EQ(g_seen[1].message, WM_SIZE);
    EXPECT_EQ(LOWORD(g_seen[1].lParam), 800);
    EXPECT_EQ(HIWORD(g_seen[1].lParam), 600);
    EXPECT_EQ(g_seen[2].message, WM_MOVE);
    EXPECT_TRUE(sawMessage(WM_ACTIVATEAPP));
    EXPECT_TRUE(sawMessage(WM_ACTIVATE));
    EXPECT_EQ(GetFocus(), hwnd);

    RECT client{};
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    POINT p{10, 20};
    ASSERT_TRUE(ClientToScreen(hwnd, &p));
    EXPECT_EQ(p.x, 122);
    EXPECT_EQ(p.y, 104);
}

TEST_F(WindowTest, DispatchRunsTheProcedureOnTheCallingThreadInPostedOrder) {
    ASSERT_NE(create(), nullptr);
    g_seen.clear();
    PostMessageA(hwnd, WM_KEYDOWN, VK_F1, 0);
    PostMessageA(hwnd, WM_KEYUP, VK_F1, 0);
    MSG msg;
    std::vector<UINT> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        order.push_back(msg.message);
    }
    ASSERT_EQ(order, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].thread, std::this_thread::get_id());
    EXPECT_EQ(g_seen[1].wParam, static_cast<WPARAM>(VK_F1));
}

TEST_F(WindowTest, DestroyWindowSendsDestroyAtOnceAndQuitComesAfterQueuedMessages) {
    ASSERT_NE(create(), nullptr);
    PostMessageA(hwnd, WM_USER, 1, 0);
    PostMessageA(nullptr, WM_USER, 2, 0);  // a thread message survives the window
    g_seen.clear();
    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_TRUE(sawMessage(WM_DESTROY)) << "WM_DESTROY is sent before DestroyWindow returns";
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(DestroyWindow(hwnd));

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(msg.wParam, 2u) << "messages for the destroyed window are dropped";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit is taken once";
    hwnd = nullptr;
}

TEST_F(WindowTest, CloseGoesThroughTheProcedureAndDefaultHandlingDestroys) {
    ASSERT_NE(create(), nullptr);
    g_closeDestroys = false;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd)) << "a procedure that handles WM_CLOSE keeps the window";
    g_closeDestroys = true;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    hwnd = nullptr;
}

TEST_F(WindowTest, SetWindowPosMovesAndTellsTheWindow) {
    ASSERT_NE(create(), nullptr);
    g_seen.clear();
    ASSERT_TRUE(SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 800, 600, SWP_SHOWWINDOW));
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 800);
    EXPECT_TRUE(sawMessage(WM_MOVE));
}

TEST_F(WindowTest, TitleIsKeptAndCutToTheBuffer) {
    ASSERT_NE(create(), nullptr);
    ASSERT_TRUE(SetWindowTextA(hwnd, "Tintaro - A Player"));
    char small[8];
    EXPECT_EQ(GetWindowTextA(hwnd, small, sizeof small), 7);
    EXPECT_STREQ(small, "Tintaro");
}

TEST(Desktop, HeadlessDefaultsToAHighColour1024By768Desktop) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 16);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
}

TEST(Clock, TickCountFollowsTheRealClock) {
    DWORD a = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    DWORD b = GetTickCount();
    EXPECT_GE(b - a, 25u);
    EXPECT_LT(b - a, 5000u);
}

}  // namespace
