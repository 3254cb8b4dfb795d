// The program window: placement for each desktop and program, the shell's handling of its
// messages after the current screen has seen them, and the shutdown it runs when destroyed.
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/mouse_cursor.h"
#include "framework/screen.h"
#include "framework/screen_manager.h"
#include "platform/backend.h"
#include "qv/qv.h"
#include "shell/app_shell.h"
#include "shell/shell_state.h"

namespace {

// Records what the window procedure offers the current screen.
class RecordingScreen : public Screen {
public:
    int handleMessage(HWND, UINT message, WPARAM wParam, LPARAM) override {
        seen.push_back({message, wParam});
        return 0;  // the answer must not stop the shell's own handling
    }
    struct Seen {
        UINT message;
        WPARAM wParam;
    };
    std::vector<Seen> seen;
};

RecordingScreen recorder;

const Program kMenuLike{
    "Nimbletree Gatefold", "recorder", true, false, false, nullptr, nullptr, nullptr};
const Program kGameLike{"Tintaro", "recorder", false, false, true, nullptr, nullptr, nullptr};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        static bool once = false;
        if (!once) {
            ASSERT_EQ(registerMainWindowClass(nullptr), 1);
            recorder.setName("recorder");
            screenManager.addScreen(&recorder);
            screenManager.selectScreen("recorder");
            once = true;
        }
        platform::windowResetForTests();
        fullScreen = 0;
        mouseOffsetX = mouseOffsetY = 0;
        showFps = 0;
    }
    void TearDown() override {
        if (mainWindow && IsWindow(mainWindow)) DestroyWindow(mainWindow);
        mainWindow = nullptr;
        platform::windowResetForTests();
        platform::setDesktopForTests({1024, 768, 16});
    }
    void open(const Program& program, int width, int height) {
        platform::setDesktopForTests({width, height, 16});
        setCurrentProgram(&program);
        ASSERT_EQ(createMainWindow(nullptr), 1);
        recorder.seen.clear();
    }
    RECT rect() const {
        RECT r{};
        GetWindowRect(mainWindow, &r);
        return r;
    }
    bool topmost() const { return (GetWindowLongA(mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    // True when a message of this kind waits in the queue.
    static bool queued(UINT message) {
        MSG msg;
        return PeekMessageA(&msg, nullptr, message, message, PM_NOREMOVE) != 0;
    }
};

TEST_F(MainWindow, WindowedIsCentredOnTheDesktopAndTheDrawingAreaIsAlways800x600) {
    open(kMenuLike, 1024, 768);
    const RECT r = rect();
    EXPECT_EQ(r.left, 112);
    EXPECT_EQ(r.top, 84);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 600);
    EXPECT_FALSE(topmost());
    EXPECT_EQ(clientWidth, 800);
    EXPECT_EQ(clientHeight, 600);
    char title[64] = {};
    GetWindowTextA(mainWindow, title, sizeof title);
    EXPECT_STREQ(title, "Nimbletree Gatefold");
}

TEST_F(MainWindow, OnAn800x600DesktopOnlyTheMenuIsTopmost) {
    open(kMenuLike, 800, 600);
    EXPECT_EQ(rect().left, 0);
    EXPECT_EQ(rect().top, 0);
    EXPECT_TRUE(topmost());
    DestroyWindow(mainWindow);
    open(kGameLike, 800, 600);
    EXPECT_EQ(rect().left, 0);
    EXPECT_FALSE(topmost());
}

TEST_F(MainWindow, FullScreenCoversTheDesktop) {
    fullScreen = 1;
    open(kGameLike, 1280, 1024);
    const RECT r = rect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1280);
    EXPECT_EQ(r.bottom, 1024);
}

TEST_F(MainWindow, MaximiseOffsetsThePictureAndTheMouseAndRestoreClearsTheMouseOffsets) {
    open(kGameLike, 1024, 768);
    SendMessageA(mainWindow, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(1024, 740));
    int x = 0, y = 0;
    QVGetWindowXY(&x, &y);
    EXPECT_EQ(x, 113);
    EXPECT_EQ(y, 70);
    EXPECT_EQ(mouseOffsetX, 113);
    EXPECT_EQ(mouseOffsetY, 70 - GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYSMCAPTION));
    // The cursor follows window positions less the offsets.
    appActive = 1;
    SendMessageA(mainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(413, 351));
    EXPECT_EQ(mouseCursor.x, 300);
    EXPECT_EQ(mouseCursor.y, 351 - mouseOffsetY);
    SendMessageA(mainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
    EXPECT_EQ(mouseOffsetX, 0);
    EXPECT_EQ(mouseOffsetY, 0);
    QVGetWindowXY(&x, &y);
    EXPECT_EQ(x, 113) << "restoring does not move the picture itself";
}

TEST_F(MainWindow, EscAndF1ActOnReleaseAfterTheScreenHasSeenTheKey) {
    open(kGameLike, 1024, 768);
    SendMessageA(mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(mainWindow, WM_KEYDOWN, VK_F1, 0);
    EXPECT_FALSE(queued(WM_CLOSE));
    EXPECT_EQ(showFps, 0);
    SendMessageA(mainWindow, WM_KEYUP, VK_F1, 0);
    EXPECT_EQ(showFps, 1);
    SendMessageA(mainWindow, WM_KEYUP, VK_F1, 0);
    EXPECT_EQ(showFps, 0);
    SendMessageA(mainWindow, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_TRUE(queued(WM_CLOSE));
    ASSERT_FALSE(recorder.seen.empty());
    EXPECT_EQ(recorder.seen.back().message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(recorder.seen.back().wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(recorder.seen.size(), 5u) << "every message reaches the screen";
}

TEST_F(MainWindow, TheSystemMenuKeyIsSwallowedAndOtherCommandsAreNot) {
    open(kGameLike, 1024, 768);
    EXPECT_EQ(SendMessageA(mainWindow, WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
    EXPECT_EQ(recorder.seen.size(), 1u);
    SendMessageA(mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(queued(WM_CLOSE) || !IsWindow(mainWindow));
}

TEST_F(MainWindow, FocusDecidesActivityAndWhetherTheCursorFollowsTheMouse) {
    open(kGameLike, 1024, 768);
    SendMessageA(mainWindow, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(appActive, 0);
    mouseCursor.setPosition(5, 6);
    SendMessageA(mainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(200, 100));
    EXPECT_EQ(mouseCursor.x, 5);
    EXPECT_EQ(mouseCursor.y, 6);
    SendMessageA(mainWindow, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(appActive, 1);
    EXPECT_EQ(GetFocus(), mainWindow);
    SendMessageA(mainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(200, 100));
    EXPECT_EQ(mouseCursor.x, 200);
    EXPECT_EQ(mouseCursor.y, 100);
    SendMessageA(mainWindow, WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(appActive, 0);
    SendMessageA(mainWindow, WM_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(appActive, 1);
}

TEST_F(MainWindow, ClosingDestroysTheWindowRunsTheShutdownOnceAndQuits) {
    open(kGameLike, 1024, 768);
    const int before = shutdownRunCount();
    SendMessageA(mainWindow, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(mainWindow));
    EXPECT_EQ(shutdownRunCount(), before + 1);
    EXPECT_EQ(appActive, 0);
    // The quit is taken by the pump and posted again for a caller further out.
    EXPECT_EQ(pumpMessages(), 1);
    EXPECT_EQ(pumpMessages(), 1);
    EXPECT_EQ(shutdownRunCount(), before + 1);
}

}  // namespace
