// Window creation, the message queue and the window procedure, on the headless backend.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/display/window_placement.h"
#include "platform/win32/win32.h"
#include "tests/support/temp_dir.h"

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

// ---- Where the sdl backend puts its window and picture -------------------------------

void expectOpensFitting(const platform::Box& usable, const platform::Box& desktop, int minW,
                        int minH) {
    const platform::Box b = platform::defaultWindowBox(usable, desktop, 800, 600);
    EXPECT_EQ(b.w * 3, b.h * 4) << "exactly the picture's aspect, so no bars show";
    EXPECT_GE(b.w, minW);
    EXPECT_GE(b.h, minH);
    EXPECT_LE(b.w + platform::kFrameWidth, usable.w) << "room for the frame";
    EXPECT_LE(b.h + platform::kFrameHeight, usable.h) << "room for the frame";
    EXPECT_GE(b.x, usable.x);
    EXPECT_GE(b.y, usable.y);
    EXPECT_LE(b.x + b.w + platform::kFrameWidth, usable.x + usable.w);
    EXPECT_LE(b.y + b.h + platform::kFrameHeight, usable.y + usable.h);
    EXPECT_NEAR(b.x + (b.w + platform::kFrameWidth) / 2, usable.x + usable.w / 2, 2) << "centred";
}

TEST(WindowPlacement, OpensAtTheLargestPictureShapeTheUsableDesktopHolds) {
    expectOpensFitting({0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 1200, 900);
    expectOpensFitting({0, 0, 3840, 2160}, {0, 0, 3840, 2160}, 2400, 1800);
    // A panel along the top takes part of the desktop.
    expectOpensFitting({0, 40, 1920, 1040}, {0, 0, 1920, 1080}, 1200, 900);
    // A second display to the right of the first.
    expectOpensFitting({1920, 0, 2560, 1440}, {1920, 0, 2560, 1440}, 1600, 1200);

    // Never smaller than the picture, never larger than the desktop.
    platform::Box b = platform::defaultWindowBox({0, 0, 1024, 620}, {0, 0, 1024, 768}, 800, 600);
    EXPECT_EQ(b.w, 800);
    EXPECT_EQ(b.h, 600);
    b = platform::defaultWindowBox({0, 0, 800, 600}, {0, 0, 800, 600}, 800, 600);
    EXPECT_EQ(b.x, 0);
    EXPECT_EQ(b.y, 0);
    EXPECT_EQ(b.w, 800);
    EXPECT_EQ(b.h, 600);
    b = platform::defaultWindowBox({0, 0, 640, 480}, {0, 0, 640, 480}, 800, 600);
    EXPECT_LE(b.w, 640);
    EXPECT_LE(b.h, 480);
    EXPECT_EQ(b.w * 3, b.h * 4);
}

TEST(WindowPlacement, AHandheldSizedDesktopOpensFullScreenUnlessTheWindowIsRemembered) {
    // Nothing remembered: full screen up to 1280 x 800 both ways, a window beyond either.
    EXPECT_TRUE(platform::opensFullScreen(nullptr, 1280, 800));
    EXPECT_TRUE(platform::opensFullScreen(nullptr, 1024, 768));
    EXPECT_TRUE(platform::opensFullScreen(nullptr, 1280, 720));
    EXPECT_FALSE(platform::opensFullScreen(nullptr, 1281, 800));
    EXPECT_FALSE(platform::opensFullScreen(nullptr, 1280, 801));
    EXPECT_FALSE(platform::opensFullScreen(nullptr, 1280, 1024));
    EXPECT_FALSE(platform::opensFullScreen(nullptr, 1920, 1080));
    // What the player left wins, either way.
    const platform::WindowState windowed{{40, 30, 980, 735}, false};
    const platform::WindowState filled{{40, 30, 980, 735}, true};
    EXPECT_FALSE(platform::opensFullScreen(&windowed, 1280, 800));
    EXPECT_TRUE(platform::opensFullScreen(&filled, 1920, 1080));
}

TEST(WindowPlacement, PictureKeepsItsAspectWithBarsAndMapsPointsBack) {
    const platform::Box full = platform::pictureBox(1920, 1080, 800, 600);
    EXPECT_EQ(full.x, 240);
    EXPECT_EQ(full.y, 0);
    EXPECT_EQ(full.w, 1440);
    EXPECT_EQ(full.h, 1080);
    EXPECT_FALSE(platform::isWholeMultiple(full, 800, 600)) << "1.8 x is smoothed";
    const platform::Box tall = platform::pictureBox(800, 900, 800, 600);
    EXPECT_EQ(tall.x, 0);
    EXPECT_EQ(tall.y, 150);
    EXPECT_EQ(tall.w, 800);
    EXPECT_EQ(tall.h, 600);
    EXPECT_TRUE(platform::isWholeMultiple(tall, 800, 600));
    const platform::Box twice = platform::pictureBox(1700, 1200, 800, 600);
    EXPECT_EQ(twice.x, 50);
    EXPECT_EQ(twice.w, 1600);
    EXPECT_TRUE(platform::isWholeMultiple(twice, 800, 600)) << "2 x is pixel for pixel";

    int x = 0, y = 0;
    EXPECT_TRUE(platform::outputToPicture(full, 800, 600, 240.0, 0.0, &x, &y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_TRUE(platform::outputToPicture(full, 800, 600, 960.0, 540.0, &x, &y));
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);
    EXPECT_TRUE(platform::outputToPicture(full, 800, 600, 1679.9, 1079.9, &x, &y));
    EXPECT_EQ(x, 799);
    EXPECT_EQ(y, 599);
    EXPECT_FALSE(platform::outputToPicture(full, 800, 600, 239.5, 500.0, &x, &y))
        << "half a pixel into the left bar is outside";
    EXPECT_LT(x, 0);
    EXPECT_FALSE(platform::outputToPicture(full, 800, 600, 1680.0, 500.0, &x, &y));
    EXPECT_GE(x, 800);
    EXPECT_FALSE(platform::outputToPicture(tall, 800, 600, 400.0, 149.5, &x, &y));
    EXPECT_FALSE(platform::outputToPicture(tall, 800, 600, 400.0, 750.0, &x, &y));
}

// The window's state lives in the user's data folder, and a damaged file is not trusted.
TEST(WindowPlacement, StateIsRememberedInTheUsersDataFolder) {
    testsupport::TempDir home;
    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string saved = before ? before : "";
    ::setenv("XDG_DATA_HOME", home.str().c_str(), 1);

    EXPECT_EQ(platform::windowStatePath(), home.str() + "/Gatefold/window.ini");
    platform::WindowState state;
    EXPECT_FALSE(platform::loadWindowState(&state)) << "nothing remembered yet";
    ASSERT_TRUE(platform::saveWindowState({{-8, 31, 1352, 1014}, true}));
    platform::WindowState back;
    ASSERT_TRUE(platform::loadWindowState(&back));
    EXPECT_EQ(back.window.x, -8);
    EXPECT_EQ(back.window.y, 31);
    EXPECT_EQ(back.window.w, 1352);
    EXPECT_EQ(back.window.h, 1014);
    EXPECT_TRUE(back.fullScreen);

    const char* damaged[] = {
        "[window]\nx=1\ny=2\nwidth=900\nfullscreen=0\n",                 // a key missing
        "[window]\nx=1\ny=2\nwidth=9x0\nheight=700\nfullscreen=0\n",     // not a number
        "[window]\nx=1\ny=2\nwidth=20\nheight=15\nfullscreen=0\n",       // too small
        "[window]\nx=1\ny=2\nwidth=900000\nheight=700\nfullscreen=0\n",  // too large
        "[window]\nx=1\ny=2\nwidth=900\nheight=700\nfullscreen=2\n",
        "",
    };
    for (const char* text : damaged) {
        home.write("Gatefold/window.ini", text);
        EXPECT_FALSE(platform::loadWindowState(&back)) << text;
    }
    home.write("Gatefold/window.ini",
               "[window]\r\nx=5\r\ny=6\r\nwidth=1000\r\nheight=750\r\n"
               "fullscreen=0\r\n");
    ASSERT_TRUE(platform::loadWindowState(&back)) << "CR line ends are read too";
    EXPECT_EQ(back.window.w, 1000);
    EXPECT_FALSE(back.fullScreen);

    if (before)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

// A FIFO where window.ini goes would keep a plain open waiting for a writer, before any
// window appears; it is refused at once and the window opens at its default size.
TEST(WindowPlacement, AFifoWhereTheStateIsKeptIsNotWaitedFor) {
    testsupport::TempDir home;
    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string saved = before ? before : "";
    ::setenv("XDG_DATA_HOME", home.str().c_str(), 1);
    std::filesystem::create_directories(home.path() / "Gatefold");
    const std::string fifo = platform::windowStatePath();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

    auto load = std::async(std::launch::async, [] {
        platform::WindowState state;
        return platform::loadWindowState(&state);
    });
    const bool returned = load.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
    if (!returned) {
        // Lets a read that waits for a writer see the end of the file, so the test ends.
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    }
    EXPECT_TRUE(returned) << "the read waited for a writer";
    EXPECT_FALSE(load.get()) << "a FIFO is no remembered window";

    if (before)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(Clock, TickCountFollowsTheRealClock) {
    DWORD a = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    DWORD b = GetTickCount();
    EXPECT_GE(b - a, 25u);
    EXPECT_LT(b - a, 5000u);
}

}  // namespace
