// The sdl backend's window on SDL's dummy video driver: where it opens and what it
// remembers, F11 and Alt+Enter, and pointer positions in the scaled picture.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/display/display.h"
#include "platform/display/window_placement.h"
#include "platform/input/input.h"
#include "platform/win32/win32.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<MSG> g_seen;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m{};
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    g_seen.push_back(m);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class SdlWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        home = std::make_unique<testsupport::TempDir>();
        ::setenv("XDG_DATA_HOME", home->str().c_str(), 1);
        WNDCLASSA wc{};
        wc.lpfnWndProc = recordingProc;
        wc.lpszClassName = "SdlWindowTest";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    static void TearDownTestSuite() { home.reset(); }

    void SetUp() override {
        std::filesystem::remove(platform::windowStatePath());
        platform::windowResetForTests();
        g_seen.clear();
    }
    void TearDown() override {
        if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
        platform::windowResetForTests();
    }

    // A program's window and its 800 x 600 display, as the shell opens them.
    void open() {
        hwnd = CreateWindowExA(0, "SdlWindowTest", "Test", WS_VISIBLE, 112, 84, 800, 600, nullptr,
                               nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(platform::displayOpen(hwnd, 800, 600, false));
        window = nullptr;
        for (Uint32 id = 1; id < 1024 && !window; ++id) window = SDL_GetWindowFromID(id);
        ASSERT_NE(window, nullptr);
        pump();
        g_seen.clear();
    }
    // The same, as a window the player left windowed: remembered, that wins over the full
    // screen a display of the dummy driver's 1024 x 768 would open at.
    void openWindowed() {
        ASSERT_TRUE(platform::saveWindowState({{40, 30, 800, 600}, false}));
        open();
    }
    void close() {
        ASSERT_TRUE(DestroyWindow(hwnd));
        hwnd = nullptr;
        window = nullptr;
    }
    // Takes every pending device event and dispatches what it posted. SDL stops a poll at
    // the mark its last pump left, so events pushed since wait for the next poll.
    void pump() {
        MSG m;
        for (int round = 0; round < 3; ++round)
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }
    void key(SDL_Scancode sc, bool down, Uint16 mod = KMOD_NONE, bool repeat = false) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = SDL_GetWindowID(window);
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
        pump();
    }
    void button(int x, int y, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = SDL_GetWindowID(window);
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = x;
        e.button.y = y;
        SDL_PushEvent(&e);
        pump();
    }
    void motion(int x, int y) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(window);
        e.motion.x = x;
        e.motion.y = y;
        SDL_PushEvent(&e);
        pump();
    }
    void resize(int w, int h) {
        SDL_SetWindowSize(window, w, h);
        pump();
        ASSERT_TRUE(platform::displayPresent());
    }
    bool fullScreen() const {
        return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
               SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    int keyMessages() const {
        int n = 0;
        for (const MSG& m : g_seen)
            if (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_SYSKEYDOWN ||
                m.message == WM_SYSKEYUP)
                ++n;
        return n;
    }
    const MSG* last(UINT message) const {
        for (auto it = g_seen.rbegin(); it != g_seen.rend(); ++it)
            if (it->message == message) return &*it;
        return nullptr;
    }

    static std::unique_ptr<testsupport::TempDir> home;
    HWND hwnd = nullptr;
    SDL_Window* window = nullptr;
};

std::unique_ptr<testsupport::TempDir> SdlWindow::home;

TEST_F(SdlWindow, OpensAtTheLargestPictureShapeThenAsItWasLeft) {
    // The dummy display's 1024 x 768 is no larger than a handheld's: with nothing remembered
    // the program opens full screen, and the window it keeps to come back to is the largest
    // picture shape.
    open();
    EXPECT_TRUE(fullScreen());
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_RESIZABLE);
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_ALLOW_HIGHDPI);
    close();
    SDL_Rect usable{};
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    platform::WindowState left;
    ASSERT_TRUE(platform::loadWindowState(&left));
    EXPECT_TRUE(left.fullScreen);
    EXPECT_EQ(left.window.w * 3, left.window.h * 4);
    EXPECT_GE(left.window.w, 800);
    EXPECT_LE(left.window.h + platform::kFrameHeight, usable.h);

    openWindowed();
    SDL_SetWindowPosition(window, 30, 40);
    resize(1000, 640);
    close();
    open();
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 640);
    EXPECT_FALSE(fullScreen());

    // A window remembered where no display is any more opens at the default place again.
    close();
    ASSERT_TRUE(platform::saveWindowState({{9000, 9000, 1000, 640}, false}));
    open();
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_LT(x, usable.x + usable.w);
    EXPECT_LT(y, usable.y + usable.h);
    EXPECT_EQ(w * 3, h * 4);
    EXPECT_TRUE(fullScreen()) << "nothing usable remembered, on a handheld-sized display";
}

TEST_F(SdlWindow, F11AndAltEnterSwitchFullScreenAndNeverReachTheProgram) {
    openWindowed();
    ASSERT_FALSE(fullScreen());
    key(SDL_SCANCODE_F11, true);
    EXPECT_TRUE(fullScreen());
    key(SDL_SCANCODE_F11, true, KMOD_NONE, true);  // held: its repeats switch nothing
    EXPECT_TRUE(fullScreen());
    EXPECT_EQ(platform::keyboardState()[87], 0) << "F11 is not the program's key";
    key(SDL_SCANCODE_F11, false);
    platform::WindowState state;
    ASSERT_TRUE(platform::loadWindowState(&state));
    EXPECT_TRUE(state.fullScreen) << "remembered at once, for a program started next";

    key(SDL_SCANCODE_F11, true);
    key(SDL_SCANCODE_F11, false);
    EXPECT_FALSE(fullScreen());
    EXPECT_EQ(keyMessages(), 0);

    // Alt reaches the program; the Enter pressed with it does not, down or up, even when Alt
    // is let go first.
    key(SDL_SCANCODE_LALT, true, KMOD_LALT);
    key(SDL_SCANCODE_RETURN, true, KMOD_LALT);
    EXPECT_TRUE(fullScreen());
    EXPECT_EQ(platform::keyboardState()[28], 0);
    key(SDL_SCANCODE_LALT, false);
    key(SDL_SCANCODE_RETURN, true, KMOD_NONE, true);
    key(SDL_SCANCODE_RETURN, false);
    for (const MSG& m : g_seen) {
        if (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_SYSKEYDOWN ||
            m.message == WM_SYSKEYUP) {
            EXPECT_EQ(m.wParam, static_cast<WPARAM>(VK_MENU)) << "message " << m.message;
        }
    }
    EXPECT_EQ(keyMessages(), 2);

    // Enter alone is the program's again.
    g_seen.clear();
    key(SDL_SCANCODE_RETURN, true);
    ASSERT_NE(last(WM_KEYDOWN), nullptr);
    EXPECT_EQ(last(WM_KEYDOWN)->wParam, static_cast<WPARAM>(VK_RETURN));
    key(SDL_SCANCODE_RETURN, false);
    EXPECT_TRUE(fullScreen());

    close();
    open();
    EXPECT_TRUE(fullScreen()) << "opens full screen as it was left";
}

TEST_F(SdlWindow, PointerPositionsArriveInPictureCoordinatesAndPressesInTheBarsAreIgnored) {
    openWindowed();
    int x = 0, y = 0, buttons = 0;
    // 1000 x 600: the picture at 1 x with bars of 100 on either side.
    resize(1000, 600);
    button(150, 300, true);
    ASSERT_NE(last(WM_LBUTTONDOWN), nullptr);
    EXPECT_EQ(LOWORD(last(WM_LBUTTONDOWN)->lParam), 50);
    EXPECT_EQ(HIWORD(last(WM_LBUTTONDOWN)->lParam), 300);
    ASSERT_NE(last(WM_MOUSEMOVE), nullptr) << "the pointer is moved where the press is";
    EXPECT_EQ(LOWORD(last(WM_MOUSEMOVE)->lParam), 50);
    platform::mouseData(&x, &y, &buttons);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 300);
    EXPECT_EQ(buttons & 1, 1);
    button(150, 300, false);
    EXPECT_NE(last(WM_LBUTTONUP), nullptr);
    platform::mouseData(nullptr, nullptr, &buttons);
    EXPECT_EQ(buttons & 1, 0);

    g_seen.clear();
    button(99, 300, true);
    button(99, 300, false);
    button(900, 5, true);
    EXPECT_EQ(last(WM_LBUTTONDOWN), nullptr) << "presses in the bars are outside the picture";
    platform::mouseData(nullptr, nullptr, &buttons);
    EXPECT_EQ(buttons & 1, 0);
    button(500, 300, false);
    EXPECT_EQ(last(WM_LBUTTONUP), nullptr) << "nor is the release of such a press";

    // Twice the picture: every picture pixel is two window pixels wide.
    resize(1600, 1200);
    motion(1599, 1199);
    platform::mouseData(&x, &y, nullptr);
    EXPECT_EQ(x, 799);
    EXPECT_EQ(y, 599);
    button(801, 601, true);
    ASSERT_NE(last(WM_LBUTTONDOWN), nullptr);
    EXPECT_EQ(LOWORD(last(WM_LBUTTONDOWN)->lParam), 400);
    EXPECT_EQ(HIWORD(last(WM_LBUTTONDOWN)->lParam), 300);
    button(801, 601, false);

    // 1920 x 1080: 1.8 x with bars of 240 left and right.
    resize(1920, 1080);
    g_seen.clear();
    button(240 + 9 * 100, 9 * 50, true);
    ASSERT_NE(last(WM_LBUTTONDOWN), nullptr);
    EXPECT_EQ(LOWORD(last(WM_LBUTTONDOWN)->lParam), 500);
    EXPECT_EQ(HIWORD(last(WM_LBUTTONDOWN)->lParam), 250);
    button(240 + 9 * 100, 9 * 50, false);
    g_seen.clear();
    button(239, 540, true);
    EXPECT_EQ(last(WM_LBUTTONDOWN), nullptr);
    button(239, 540, false);
}

// A controller plugged in while the program runs: its buttons, and the left stick as a d-pad,
// arrive as presses (a held direction repeating), typed text arrives as 8-bit characters, and
// unplugging it lets go of what it held.
TEST_F(SdlWindow, ControllersComeAndGoAndTheirPressesAndTypedTextArrive) {
    openWindowed();
    while (platform::padTakePress() >= 0) {
    }
    const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6,
                                                 SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    SDL_Joystick* stick = SDL_JoystickOpen(device);
    ASSERT_NE(stick, nullptr);
    pump();
    ASSERT_TRUE(SDL_IsGameController(device)) << "a virtual controller has SDL's mapping";
    // The dummy window never has the focus, and SDL keeps controllers from windows without.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");

    auto hold = [&](int button, bool down) {
        SDL_JoystickSetVirtualButton(stick, button, down ? 1 : 0);
        SDL_JoystickUpdate();
        pump();
    };
    hold(SDL_CONTROLLER_BUTTON_A, true);
    hold(SDL_CONTROLLER_BUTTON_A, false);
    hold(SDL_CONTROLLER_BUTTON_A, true);
    hold(SDL_CONTROLLER_BUTTON_A, false);
    hold(SDL_CONTROLLER_BUTTON_B, true);
    EXPECT_EQ(platform::padTakePress(), platform::kPadA);
    EXPECT_EQ(platform::padTakePress(), platform::kPadA) << "the same button twice arrives twice";
    EXPECT_EQ(platform::padTakePress(), platform::kPadB);
    EXPECT_EQ(platform::padTakePress(), -1);

    // The stick pushed down is a d-pad held down: one press, then repeats while it is held.
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTY, 30000);
    SDL_JoystickUpdate();
    pump();
    EXPECT_EQ(platform::padTakePress(), platform::kPadDown);
    SDL_Delay(700);
    pump();
    EXPECT_EQ(platform::padTakePress(), platform::kPadDown) << "a held direction repeats";
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTY, 0);
    SDL_JoystickUpdate();
    pump();
    while (platform::padTakePress() >= 0) {
    }

    // Unplugged with B still held: B is let go, and nothing repeats or arrives after.
    SDL_JoystickClose(stick);
    ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
    pump();
    SDL_Delay(600);
    pump();
    EXPECT_EQ(platform::padTakePress(), -1);

    // Typed text, in whatever layout: what 8 bits can hold, nothing else, only while wanted.
    platform::setTextInputWanted(true);
    pump();
    EXPECT_TRUE(SDL_IsTextInputActive());
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(window);
    std::snprintf(e.text.text, sizeof e.text.text, "%s", "z\xC3\xA4\xE2\x82\xAC!");
    g_seen.clear();
    SDL_PushEvent(&e);
    pump();
    std::string typed;
    for (const MSG& m : g_seen)
        if (m.message == WM_CHAR) typed += static_cast<char>(m.wParam);
    EXPECT_EQ(typed, "z\xE4!") << "a-umlaut kept as 8 bits, the euro sign dropped";
    platform::setTextInputWanted(false);
    pump();
    EXPECT_FALSE(SDL_IsTextInputActive());
}

}  // namespace
