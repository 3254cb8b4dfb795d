// The screen manager, the screen base class, image sets and modal dialog screens.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/dialog_screen.h"
#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/screen.h"
#include "framework/screen_manager.h"
#include "framework/surface_utils.h"
#include "platform/backend.h"
#include "platform/input/input.h"
#include "shell/main_window.h"
#include "shell/timer_service.h"
#include "tests/framework/framework_support.h"
#include "tests/support/temp_dir.h"

using fwtest::fillRect;
using fwtest::makeSurface;

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

std::vector<std::string> g_events;

// Records its enter, leave and update calls.
class RecordingScreen : public Screen {
public:
    RecordingScreen(const char* screenName, int result) : updateResult(result) {
        setName(screenName);
    }
    void enter(IDirectDraw* dd, IDirectDrawSurface* back) override {
        Screen::enter(dd, back);
        g_events.push_back(std::string("enter ") + name);
    }
    void leave() override {
        g_events.push_back(std::string("leave ") + name);
        Screen::leave();
    }
    int update(int) override { return updateResult; }
    int handleMessage(HWND, UINT, WPARAM, LPARAM) override { return 5; }
    int updateResult;
};

TEST(ScreenManager, AnswersWithoutACurrentScreen) {
    ScreenManager manager;
    RecordingScreen a("a", 3);
    manager.addScreen(&a);
    EXPECT_EQ(manager.updateFrame(1), 0);
    EXPECT_EQ(manager.forwardMessage(nullptr, WM_MOUSEMOVE, 0, 0), 1);
    EXPECT_EQ(manager.selectScreen("nobody"), nullptr);
    EXPECT_EQ(manager.getCurrent(), nullptr);
}

TEST(ScreenManager, SelectionRules) {
    g_events.clear();
    ScreenManager manager;
    int dd = 0;
    manager.setDisplay(reinterpret_cast<IDirectDraw*>(&dd), backBuffer);
    RecordingScreen gatefold("Gatefold", 4);
    RecordingScreen title("title", 7);
    manager.addScreen(&gatefold);
    manager.addScreen(&title);

    EXPECT_EQ(manager.selectScreen("Gatefold"), &gatefold);
    EXPECT_EQ(gatefold.directDraw, reinterpret_cast<IDirectDraw*>(&dd));
    EXPECT_EQ(gatefold.backBuffer, backBuffer);
    EXPECT_EQ(manager.updateFrame(1), 4);
    EXPECT_EQ(manager.forwardMessage(nullptr, WM_MOUSEMOVE, 0, 0), 5);
    EXPECT_EQ(manager.selectScreen("title"), &title);
    EXPECT_EQ(manager.updateFrame(1), 7);
    // The current screen's own name: neither left nor entered again.
    EXPECT_EQ(manager.selectScreen("title"), &title);
    // Names are case-sensitive; unknown names change nothing.
    EXPECT_EQ(manager.selectScreen("Title"), &title);
    EXPECT_EQ(manager.selectScreen(nullptr), &title);
    EXPECT_EQ(g_events,
              (std::vector<std::string>{"enter Gatefold", "leave Gatefold", "enter title"}));

    g_events.clear();
    manager.leaveAllScreens();
    EXPECT_EQ(g_events, (std::vector<std::string>{"leave Gatefold", "leave title"}));
    EXPECT_EQ(manager.getCurrent(), &title);
}

TEST(ScreenManager, SecondScreenOfTheSameNameIsFound) {
    g_events.clear();
    ScreenManager manager;
    RecordingScreen first("twin", 1);
    RecordingScreen second("twin", 2);
    manager.addScreen(&first);
    manager.addScreen(&second);
    EXPECT_EQ(manager.selectScreen("twin"), &first);
    EXPECT_EQ(manager.selectScreen("twin"), &second);
    EXPECT_EQ(manager.updateFrame(1), 2);
}

// The field after the name must survive a long name.
TEST(Screen, NameIsCutToItsBuffer) {
    Screen s;
    EXPECT_STREQ(s.getName(), "");
    const std::string longName(1000, 'x');
    s.setName(longName.c_str());
    EXPECT_EQ(std::string(s.getName()), std::string(255, 'x'));
    EXPECT_EQ(s.directDraw, nullptr);
    EXPECT_EQ(s.backBuffer, nullptr);
    ASSERT_NE(s.buttonList, nullptr);
    EXPECT_EQ(s.buttonList->getCount(), 0);
    s.setName(nullptr);
    EXPECT_STREQ(s.getName(), "");
}

class ScreenFiles : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string bmp(const std::string& name, int w, int h, fwtest::Rgb c) {
        const std::string path = dir.str() + "/" + name;
        fwtest::writeSolidBmp(path, w, h, c);
        return path;
    }
};

TEST_F(ScreenFiles, LeaveFreesAndEnterRecreates) {
    Screen s;
    s.enter(nullptr, backBuffer);
    Image* image = s.addImage(bmp("back.bmp", 20, 10, {255, 0, 0}).c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 20);
    EXPECT_EQ(s.addImage((dir.str() + "/missing.bmp").c_str()), nullptr);
    EXPECT_EQ(s.images->getCount(), 1);
    s.addButton(new Button(0, 0, 5, 5));
    s.leave();
    EXPECT_EQ(s.buttonList, nullptr);
    EXPECT_EQ(s.images, nullptr);
    s.leave();  // harmless a second time
    EXPECT_EQ(s.findImage("anything"), nullptr);
    s.enter(nullptr, backBuffer);
    ASSERT_NE(s.buttonList, nullptr);
    ASSERT_NE(s.images, nullptr);
    EXPECT_EQ(s.images->getCount(), 0);
    EXPECT_EQ(s.buttonList->getCount(), 0);
}

TEST_F(ScreenFiles, FindAndDrawImagesByName) {
    Screen s;
    s.enter(nullptr, backBuffer);
    const std::string red = bmp("red.bmp", 4, 4, {255, 0, 0});
    Image* first = s.addImage(red.c_str());
    Image* second = s.addImage(red.c_str());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(s.findImage(red.c_str()), first);
    EXPECT_EQ(s.findImage("red.bmp"), nullptr);  // exact names only
    first->x = 7;
    first->y = 8;
    IDirectDrawSurface* target = makeSurface(20, 20);
    EXPECT_EQ(s.drawImageAt(target, red.c_str(), 1, 2), 1);
    EXPECT_EQ(getPixel(target, 1, 2), fwtest::rgb565(255, 0, 0));
    EXPECT_EQ(s.drawImage(target, red.c_str()), 1);
    EXPECT_EQ(getPixel(target, 10, 11), fwtest::rgb565(255, 0, 0));
    EXPECT_EQ(getPixel(target, 11, 12), 0);
    EXPECT_EQ(s.drawImage(target, "nothing"), 0);
    EXPECT_EQ(s.drawImageAt(target, "nothing", 0, 0), 0);
    target->Release();
}

// Counts presents instead of flipping.
class CountingScreen : public Screen {
public:
    int present() override {
        ++presents;
        return 42;
    }
    int presents = 0;
};

TEST(Screen, PresentGoesThroughTheDelegate) {
    Screen s;
    CountingScreen delegate;
    s.setPresentDelegate(&delegate);
    EXPECT_EQ(s.present(), 42);
    EXPECT_EQ(delegate.presents, 1);
    s.setPresentDelegate(nullptr);
    s.present();
    EXPECT_EQ(delegate.presents, 1);
}

TEST(Screen, PresentRestoresDirtyRectanglesOneFlipLater) {
    IDirectDrawSurface* working = makeSurface(800, 600);
    fillSurface(working, 0x3131);
    dirtyRects.setWorkingBackground(working);
    Screen s;
    fillRect(backBuffer, 0, 0, 50, 50, 0x7777);
    dirtyRects.queueRect(0, 0, 50, 50, DIRTY_ONESHOT, DIRTY_RESTORE);
    EXPECT_NE(s.present(), 0);  // presents the frame drawn now
    EXPECT_EQ(getPixel(backBuffer, 10, 10), 0x7777);
    s.present();  // the next frame: the rectangle's list comes back
    EXPECT_EQ(getPixel(backBuffer, 10, 10), 0x3131);
    EXPECT_EQ(dirtyRects.pendingCount(0) + dirtyRects.pendingCount(1), 0);
    dirtyRects.setWorkingBackground(nullptr);
    working->Release();
}

TEST_F(ScreenFiles, ImageSetLoadsListedImagesInOrder) {
    const std::string a = bmp("a.bmp", 6, 6, {0, 255, 0});
    const std::string ini = dir.str() + "/set.ini";
    dir.write("set.ini",
              "[images]\nimage01=logo\nimage02=panel\nimage03=logo\nimage04=none\n"
              "image05=late\n"
              "[logo]\nfile=" +
                  a +
                  "\nx=12\ny=34\n"
                  "[panel]\nfile=" +
                  dir.str() +
                  "/absent.bmp\nx=abc\n"
                  "[late]\nfile=" +
                  a + "\n");
    Screen s;
    s.enter(nullptr, backBuffer);
    EXPECT_EQ(s.loadImageSet(ini.c_str()), 0);
    ASSERT_EQ(s.images->getCount(), 3);
    Image* logo = s.findImage("logo");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo, s.images->at<Image>(0));
    EXPECT_EQ(logo->x, 12);
    EXPECT_EQ(logo->y, 34);
    EXPECT_NE(logo->getSurface(), nullptr);
    Image* panel = s.findImage("panel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->getSurface(), nullptr);  // kept although it did not load
    EXPECT_EQ(panel->x, 0);
    EXPECT_EQ(panel->y, 0);
    EXPECT_NE(s.images->at<Image>(2)->getSurface(), nullptr);
    EXPECT_EQ(s.findImage("late"), nullptr);
    IDirectDrawSurface* target = makeSurface(10, 10);
    EXPECT_EQ(s.drawImage(target, "panel"), 1);  // draws nothing
    target->Release();
}

TEST_F(ScreenFiles, ImageSetGapsMissingFilesAndSectionBitmaps) {
    dir.write("gap.ini", "[images]\nimage01=tile\nimage03=other\n[tile]\nx=5\n");
    bmp("tile.bmp", 3, 3, {0, 0, 0});
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.str().c_str()));
    Screen s;
    s.enter(nullptr, backBuffer);
    s.loadImageSet((dir.str() + "/gap.ini").c_str());
    s.loadImageSet((dir.str() + "/no such.ini").c_str());
    SetCurrentDirectoryA(previous);
    ASSERT_EQ(s.images->getCount(), 1);
    Image* tile = s.images->at<Image>(0);
    EXPECT_STREQ(tile->name, "tile");
    EXPECT_NE(tile->getSurface(), nullptr);  // "tile.bmp" from the working folder
    EXPECT_EQ(tile->x, 5);
}

// A dialog whose per-frame input step follows a script of mouse states.
class ScriptedDialog : public DialogScreen {
public:
    struct Step {
        int x, y;
        bool left;
    };
    std::vector<Step> steps;
    int frames = 0;
    IDirectDrawSurface* workingSeen = nullptr;
    int abortAt = -1;
    int escapeAt = -1;

    int handleInput(int x, int y, int buttons) override {
        workingSeen = dirtyRects.getWorkingBackground();
        const int result = DialogScreen::handleInput(x, y, buttons);
        if (frames == abortAt) return 0;
        // Esc released, as the program's window procedure receives it.
        if (frames == escapeAt) mainWindowProc(mainWindow, WM_KEYUP, VK_ESCAPE, 0);
        // What the timer thread and window procedure would deliver before the next frame.
        if (frames < static_cast<int>(steps.size())) {
            mouseCursor.setPosition(steps[frames].x, steps[frames].y);
            platform::inputSetButton(0, steps[frames].left);
            mouseCursor.sampleButtons();
        }
        ++frames;
        if (frames > 50) close("runaway");
        return result;
    }
};

class Dialogs : public ScreenFiles {
protected:
    void SetUp() override {
        QVInitMouse();
        QVAcquireMouse(1);
        platform::inputSetButton(0, false);
        mouseCursor.sampleButtons();
        mouseCursor.setPosition(0, 0);
        platform::windowResetForTests();
    }
    void TearDown() override {
        platform::inputSetButton(0, false);
        mouseCursor.sampleButtons();
        platform::windowResetForTests();
    }
};

TEST_F(Dialogs, CentresOnceAndMovesItsButtons) {
    DialogScreen d;
    EXPECT_EQ(d.left, -1);
    ASSERT_NE(d.addImageFile(bmp("box.bmp", 100, 50, {9, 9, 9}).c_str(), "box"), nullptr);
    EXPECT_EQ(d.left, 350);
    EXPECT_EQ(d.top, 275);
    EXPECT_EQ(d.right, 450);
    EXPECT_EQ(d.bottom, 325);
    Button* b = new Button(5, 5, 10, 10);
    d.addButton(b);
    EXPECT_EQ(b->offsetX, 350);
    d.setPosition(-1, -1);
    EXPECT_EQ(d.left, 350);
    d.setPosition(53, 20);
    EXPECT_EQ(d.left, 53);
    EXPECT_EQ(d.bottom, 70);
    EXPECT_EQ(b->offsetX, 53);
    EXPECT_EQ(b->offsetY, 20);
    EXPECT_EQ(d.originY, 20);
    d.setPosition(-1, -1);
    EXPECT_EQ(d.left, 53);
}

TEST_F(Dialogs, DefaultButtonClosesOnAClickInsideTheImage) {
    IDirectDrawSurface* scene = makeSurface(800, 600);
    dirtyRects.setWorkingBackground(scene);
    ScriptedDialog d;
    Image* image = d.addImageFile(bmp("help.bmp", 100, 50, {200, 0, 0}).c_str(), "rules");
    d.addDefaultButton();
    Button* def = d.buttonList->find("default");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->hitWidth, 100);
    EXPECT_EQ(def->offsetX, 350);
    // A click outside first (nothing), then one inside.
    d.steps = {{10, 10, true}, {10, 10, false}, {360, 280, true}, {360, 280, false}};
    char result[256] = "stale";
    EXPECT_EQ(d.run(result, "rules"), 1);
    EXPECT_STREQ(result, "default");
    EXPECT_EQ(d.frames, 6);
    EXPECT_EQ(d.workingSeen, image->getSurface());
    EXPECT_EQ(dirtyRects.getWorkingBackground(), scene);
    EXPECT_EQ(getPixel(backBuffer, 360, 280), fwtest::rgb565(200, 0, 0));
    dirtyRects.setWorkingBackground(nullptr);
    scene->Release();
}

// A page whose picture did not load still closes: its default button answers anywhere in the
// drawing area, wherever the page is placed. A back button named to stand in without its
// picture takes every click that the buttons before it do not take; those keep theirs.
TEST_F(Dialogs, WithoutTheirPicturesTheDefaultAndTheStandInButtonsAnswerAnywhere) {
    const std::string missing = dir.str() + "/missing.bmp";
    {
        ScriptedDialog d;
        d.addImageFile(missing.c_str(), "rules");
        d.addDefaultButton();
        d.setPosition(53, 20);
        d.steps = {{5, 590, true}, {5, 590, false}};
        char result[256] = "";
        EXPECT_EQ(d.run(result, "rules"), 1);
        EXPECT_STREQ(result, "default");
        EXPECT_EQ(d.frames, 4) << "closed by the click";
    }
    struct Click {
        int x, y;
        const char* result;
    };
    for (const Click& c : {Click{5, 5, "back"}, Click{60, 25, "clear"}}) {
        ScriptedDialog d;
        d.addImageFile(bmp("page.bmp", 100, 50, {1, 1, 1}).c_str(), "page");
        Button* clear = new Button(0, 0, 20, 10);
        clear->setName("clear");
        d.addButton(clear);
        Button* back = new Button(30, 0);
        back->setName("back");
        EXPECT_EQ(back->loadStrip(missing.c_str(), 2, 0), 0);
        d.addButton(back);
        d.answerAnywhereWithoutPicture("back");
        d.setPosition(53, 20);
        d.steps = {{c.x, c.y, true}, {c.x, c.y, false}};
        char result[256] = "";
        EXPECT_EQ(d.run(result, nullptr), 1);
        EXPECT_STREQ(result, c.result) << c.x << "," << c.y;
    }
}

// Esc that reaches the window procedure while a page runs closes that page as its back button
// would (else as its default button would) and leaves the program running; with no page
// running, Esc posts WM_CLOSE as before.
TEST_F(Dialogs, EscClosesTheRunningPageAsItsBackButtonAndOnlyThenTheProgram) {
    for (const bool withBack : {true, false}) {
        ScriptedDialog d;
        d.addImageFile(bmp("page.bmp", 100, 50, {1, 1, 1}).c_str(), "page");
        if (withBack) {
            Button* back = new Button(60, 0, 40, 20);
            back->setName("back");
            d.addButton(back);
        }
        d.addDefaultButton();
        d.escapeAt = 2;
        char result[256] = "";
        EXPECT_EQ(d.run(result, nullptr), 1) << withBack;
        EXPECT_STREQ(result, withBack ? "back" : "default");
        EXPECT_EQ(d.frames, 4) << "closed on the frame after Esc";
    }
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
    mainWindowProc(mainWindow, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

TEST_F(Dialogs, PastCloseTimeEndsAfterOneFrameWithEmptyResult) {
    ScriptedDialog d;
    d.addImageFile(bmp("a.bmp", 10, 10, {1, 1, 1}).c_str(), "a");
    d.setOwnBackground(0);
    d.setCloseTime(getTimerClockMs() - 1);
    char result[256] = "stale";
    EXPECT_EQ(d.run(result, nullptr), 1);
    EXPECT_STREQ(result, "");
    EXPECT_EQ(d.frames, 1);
}

TEST_F(Dialogs, UnknownImageNameUsesTheFirstImage) {
    ScriptedDialog d;
    Image* first = d.addImageFile(bmp("one.bmp", 10, 10, {1, 1, 1}).c_str(), "one");
    Image* second = d.addImageFile(bmp("two.bmp", 20, 20, {1, 1, 1}).c_str(), "two");
    EXPECT_EQ(d.currentImage, second);
    EXPECT_EQ(d.findImage("two"), second);
    d.setCloseTime(getTimerClockMs() - 1);
    char result[256];
    d.run(result, "three");
    EXPECT_EQ(d.currentImage, first);
    d.run(result, "two");
    EXPECT_EQ(d.currentImage, second);
}

TEST_F(Dialogs, QuitDuringRunAbortsAndRestoresTheBackground) {
    IDirectDrawSurface* scene = makeSurface(800, 600);
    dirtyRects.setWorkingBackground(scene);
    ScriptedDialog d;
    d.addImageFile(bmp("q.bmp", 10, 10, {1, 1, 1}).c_str(), "q");
    d.addDefaultButton();
    PostQuitMessage(0);
    char result[256] = "kept";
    EXPECT_EQ(d.run(result, "q"), 0);
    EXPECT_STREQ(result, "kept");
    EXPECT_EQ(d.frames, 1);
    EXPECT_EQ(dirtyRects.getWorkingBackground(), scene);
    // The quit is posted again for the caller further out.
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    dirtyRects.setWorkingBackground(nullptr);
    scene->Release();
}

TEST_F(Dialogs, InputStepCanAbortAndCloseSetsTheResult) {
    ScriptedDialog d;
    d.addImageFile(bmp("x.bmp", 10, 10, {1, 1, 1}).c_str(), "x");
    d.abortAt = 2;
    char result[256] = "kept";
    EXPECT_EQ(d.run(result, nullptr), 0);
    EXPECT_EQ(d.frames, 2);
    d.close("remove");
    EXPECT_EQ(d.closed, 1);
    EXPECT_STREQ(d.result(), "remove");
    const std::string longText(400, 'r');
    d.close(longText.c_str());
    EXPECT_EQ(std::string(d.result()), std::string(255, 'r'));
}

}  // namespace
