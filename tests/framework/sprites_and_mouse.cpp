// Sprites (frames, loaders, timed animation, dirty rectangles) and the mouse cursor
// (press counting across timer ticks, getState, the software cursor's save slots).
#include <gtest/gtest.h>

#include <string>

#include "framework/button.h"
#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/sprite.h"
#include "framework/surface_utils.h"
#include "platform/input/input.h"
#include "shell/timer_service.h"
#include "tests/framework/framework_support.h"
#include "tests/support/temp_dir.h"

using fwtest::fillRect;
using fwtest::makeSurface;

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

// A sprite with n 10 x 10 frames whose pixels are 200 + index.
void addFrames(Sprite& s, int n) {
    for (int i = 0; i < n; ++i) {
        IDirectDrawSurface* f = makeSurface(10, 10);
        fillRect(f, 0, 0, 10, 10, static_cast<std::uint16_t>(200 + i));
        s.addFrame(f);
    }
}

// Puts the sprite's clock far enough back that the next animate steps.
void due(Sprite& s) {
    s.frameClock = getTimerClockMs() - s.frameDelay - 1;
}

TEST(Sprite, FramesAndRanges) {
    Sprite s;
    EXPECT_EQ(s.firstFrame, -1);
    addFrames(s, 4);
    EXPECT_EQ(s.frameCount(), 4);
    EXPECT_EQ(s.firstFrame, 0);
    EXPECT_EQ(s.endFrame, 4);
    EXPECT_EQ(s.width, 10);
    EXPECT_EQ(s.bounds[2], 10);
    EXPECT_EQ(s.addFrame(nullptr), 1);
    EXPECT_EQ(s.frameCount(), 4);
    s.setFrame(2);
    s.setFrame(-1);
    s.setFrame(4);
    EXPECT_EQ(s.getFrame(), 2);
    DDCOLORKEY key{};
    s.frame(0)->GetColorKey(DDCKEY_SRCBLT, &key);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0x001Fu);
}

TEST(Sprite, DrawsTheCurrentFrameAndQueuesItsRectangle) {
    Sprite s;
    addFrames(s, 3);
    IDirectDrawSurface* target = makeSurface(50, 50);
    s.setPosition(5, 6);
    s.setFrame(1);
    const int list = dirtyRects.listIndex;
    const int before = dirtyRects.pendingCount(list);
    s.drawTo(target);
    EXPECT_EQ(getPixel(target, 5, 6), 201);
    EXPECT_EQ(getPixel(target, 14, 15), 201);
    EXPECT_EQ(getPixel(target, 15, 6), 0);
    ASSERT_EQ(dirtyRects.pendingCount(list), before + 1);
    EXPECT_EQ(dirtyRects.pending(list, before)->x, 5);

    // Invisible: no blit, the rectangle is still queued.
    s.setVisible(0);
    s.setFrame(2);
    s.drawTo(target);
    EXPECT_EQ(getPixel(target, 5, 6), 201);
    EXPECT_EQ(dirtyRects.pendingCount(list), before + 2);

    // Frame -1 draws nothing and queues nothing.
    s.setVisible(1);
    s.setFrameRaw(-1);
    s.drawTo(target);
    EXPECT_EQ(getPixel(target, 5, 6), 201);
    EXPECT_EQ(dirtyRects.pendingCount(list), before + 2);

    // Fractional positions truncate.
    s.setFrame(0);
    s.x = 30.9f;
    s.y = 30.2f;
    s.setMarkDirty(0);
    s.drawTo(target);
    EXPECT_EQ(getPixel(target, 30, 30), 200);
    EXPECT_EQ(getPixel(target, 40, 30), 0);
    EXPECT_EQ(dirtyRects.pendingCount(list), before + 2);
    dirtyRects.setWorkingBackground(nullptr);
    target->Release();
}

TEST(Sprite, NegativePositionDrawsTheVisiblePart) {
    Sprite s;
    addFrames(s, 1);
    IDirectDrawSurface* target = makeSurface(50, 50);
    s.setPosition(-4, -3);
    const int list = dirtyRects.listIndex;
    const int before = dirtyRects.pendingCount(list);
    s.drawTo(target);
    EXPECT_EQ(getPixel(target, 0, 0), 200);
    EXPECT_EQ(getPixel(target, 5, 6), 200);
    EXPECT_EQ(getPixel(target, 6, 0), 0);
    EXPECT_EQ(getPixel(target, 0, 7), 0);
    ASSERT_EQ(dirtyRects.pendingCount(list), before + 1);
    EXPECT_EQ(dirtyRects.pending(list, before)->x, -4);
    EXPECT_EQ(dirtyRects.pending(list, before)->y, -3);
    dirtyRects.setWorkingBackground(nullptr);
    target->Release();
}

TEST(Sprite, DrawStampsIntoTheWorkingBackground) {
    Sprite s;
    addFrames(s, 1);
    IDirectDrawSurface* working = makeSurface(20, 20);
    s.draw();  // no working background: nothing happens
    dirtyRects.setWorkingBackground(working);
    s.setPosition(2, 2);
    s.draw();
    EXPECT_EQ(getPixel(working, 2, 2), 200);
    dirtyRects.setWorkingBackground(nullptr);
    working->Release();
}

TEST(Sprite, AnimateStepsOnlyAfterTheDelay) {
    Sprite s;
    addFrames(s, 5);
    s.setFrameDelay(100);
    s.setAnimating(1);
    s.frameClock = getTimerClockMs() - 100;  // exactly the delay: no step
    s.animate();
    EXPECT_EQ(s.getFrame(), 0);
    s.frameClock = getTimerClockMs() - 101;
    s.animate();
    EXPECT_EQ(s.getFrame(), 1);
    EXPECT_EQ(s.frameClock, getTimerClockMs());
    s.animate();  // just stepped
    EXPECT_EQ(s.getFrame(), 1);
    // Not animating: the clock moves, the frame does not.
    s.setAnimating(0);
    due(s);
    s.animate();
    EXPECT_EQ(s.getFrame(), 1);
}

TEST(Sprite, EndOfRangeBehaviours) {
    struct Case {
        int mode;
        int frame;
        int animating;
    };
    // Range 2..4 of 5 frames, stepping past the end.
    for (const Case& c : {Case{1, 0, 1}, Case{0, 4, 0}, Case{3, -1, 0}, Case{2, 2, 0}}) {
        SCOPED_TRACE(c.mode);
        Sprite s;
        addFrames(s, 5);
        s.setFrameRange(2, 5);
        s.setLoopMode(c.mode);
        s.setAnimating(1);
        s.setFrameDelay(0);
        s.setFrame(4);
        due(s);
        s.animate();
        EXPECT_EQ(s.getFrame(), c.frame);
        EXPECT_EQ(s.animating, c.animating);
    }
    Sprite unset;
    addFrames(unset, 2);
    unset.setFrameRange(-1, -1);
    unset.setAnimating(1);
    due(unset);
    unset.animate();
    EXPECT_EQ(unset.getFrame(), 0);
}

TEST(Sprite, AdvanceFrameStepsAndWraps) {
    Sprite s;
    addFrames(s, 2);
    s.setFrameDelay(50);
    s.frameClock = getTimerClockMs() - 1;
    EXPECT_EQ(s.advanceFrame(), 1);
    EXPECT_EQ(s.getFrame(), 1);
    EXPECT_EQ(s.frameClock, getTimerClockMs() + 50);
    EXPECT_EQ(s.advanceFrame(), 0);
    s.frameClock = getTimerClockMs() - 1;
    EXPECT_EQ(s.advanceFrame(), 1);
    EXPECT_EQ(s.getFrame(), 1);  // last frame, no wrap
    s.wrap = 1;
    s.frameClock = getTimerClockMs() - 1;
    s.advanceFrame();
    EXPECT_EQ(s.getFrame(), 0);
}

class SpriteFiles : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string bmp(const char* name, int w, int h) {
        const std::string path = dir.str() + "/" + name;
        fwtest::writeBmp(path, w, h, [](int x, int) { return fwtest::Rgb{(x / 10) * 20, 0, 0}; });
        return path;
    }
};

TEST_F(SpriteFiles, StripOfTenQueuesTheWholeStripWidth) {
    Sprite s;
    EXPECT_EQ(s.loadStrip(bmp("digits.bmp", 100, 12).c_str(), 10, 0), 1);
    ASSERT_EQ(s.frameCount(), 10);
    EXPECT_EQ(s.width, 100);
    EXPECT_EQ(s.height, 12);
    EXPECT_EQ(s.endFrame, 10);
    EXPECT_EQ(getPixel(s.frame(3), 0, 0), fwtest::rgb565(60, 0, 0));
    IDirectDrawSurface* target = makeSurface(200, 50);
    const int list = dirtyRects.listIndex;
    const int before = dirtyRects.pendingCount(list);
    s.setFrame(3);
    s.drawTo(target);
    ASSERT_EQ(dirtyRects.pendingCount(list), before + 1);
    EXPECT_EQ(dirtyRects.pending(list, before)->width, 100);
    EXPECT_EQ(getPixel(target, 11, 0), 0);  // only one tile was drawn
    dirtyRects.setWorkingBackground(nullptr);
    target->Release();
}

TEST_F(SpriteFiles, StripNarrowerThanItsCountGivesNoFrames) {
    Sprite s;
    EXPECT_EQ(s.loadStrip(bmp("narrow.bmp", 3, 12).c_str(), 4, 0), 1);
    EXPECT_EQ(s.frameCount(), 0);
    EXPECT_EQ(s.loadStrip(bmp("flat.bmp", 30, 2).c_str(), 5, 1), 1);
    EXPECT_EQ(s.frameCount(), 0);
    IDirectDrawSurface* target = makeSurface(10, 10);
    s.drawTo(target);  // no frames: nothing
    target->Release();
    EXPECT_EQ(s.loadStrip((dir.str() + "/missing.bmp").c_str(), 2, 0), 0);
}

TEST_F(SpriteFiles, GridAndSingleFiles) {
    Sprite s;
    s.loadGrid(bmp("grid.bmp", 30, 20).c_str(), 10, 10);
    EXPECT_EQ(s.frameCount(), 6);
    EXPECT_EQ(s.width, 10);
    EXPECT_EQ(s.endFrame, 6);
    EXPECT_EQ(s.addFrameFile(bmp("one.bmp", 7, 7).c_str()), 1);
    EXPECT_EQ(s.frameCount(), 7);
    EXPECT_EQ(s.width, 7);
    EXPECT_EQ(s.addFrameFile((dir.str() + "/gone.bmp").c_str()), 1);
    EXPECT_EQ(s.frameCount(), 7);
}

class Mouse : public ::testing::Test {
protected:
    void SetUp() override {
        QVInitMouse();
        QVAcquireMouse(1);
        platform::inputSetButton(0, false);
        platform::inputSetButton(1, false);
        // A press latched by an earlier test shows in the first sample only.
        cursor.sampleButtons();
        cursor.sampleButtons();
        cursor.getState(nullptr, nullptr, nullptr, nullptr, nullptr);
        cursor.leftPresses = 0;
        cursor.rightPresses = 0;
    }
    void TearDown() override {
        platform::inputSetButton(0, false);
        platform::inputSetButton(1, false);
    }
    MouseCursor cursor;
};

TEST_F(Mouse, HoldingAcrossTicksCountsOnePress) {
    platform::inputSetButton(0, true);
    for (int tick = 0; tick < 20; ++tick) cursor.sampleButtons();
    EXPECT_EQ(cursor.buttons.load() & 1, 1);
    platform::inputSetButton(0, false);
    cursor.sampleButtons();
    cursor.sampleButtons();
    EXPECT_EQ(cursor.leftPresses.load(), 1);
    EXPECT_EQ(cursor.buttons.load(), 0);
    platform::inputSetButton(0, true);
    cursor.sampleButtons();
    platform::inputSetButton(0, false);
    cursor.sampleButtons();
    EXPECT_EQ(cursor.leftPresses.load(), 2);
    EXPECT_EQ(cursor.rightPresses.load(), 0);
    platform::inputSetButton(1, true);
    cursor.sampleButtons();
    EXPECT_EQ(cursor.rightPresses.load(), 1);
    EXPECT_EQ(cursor.buttons.load(), 2);
}

TEST_F(Mouse, AClickShorterThanAFrameReadsDownOnceThenUp) {
    int b = -1;
    cursor.getState(nullptr, nullptr, &b, nullptr, nullptr);
    ASSERT_EQ(b, 0);
    // Pressed and released between two frames' reads.
    platform::inputSetButton(0, true);
    cursor.sampleButtons();
    platform::inputSetButton(0, false);
    cursor.sampleButtons();
    EXPECT_EQ(cursor.buttons.load(), 0);
    cursor.getState(nullptr, nullptr, &b, nullptr, nullptr);
    EXPECT_EQ(b, 1) << "the frame sees the button down";
    cursor.getState(nullptr, nullptr, &b, nullptr, nullptr);
    EXPECT_EQ(b, 0) << "and the next one sees it up";

    // A polled button makes a whole click of it.
    Button button(10, 10, 40, 20);
    button.handleMouse(20, 20, 0);
    platform::inputSetButton(0, true);
    cursor.sampleButtons();
    platform::inputSetButton(0, false);
    cursor.sampleButtons();
    cursor.getState(nullptr, nullptr, &b, nullptr, nullptr);
    button.handleMouse(20, 20, b);
    EXPECT_EQ(button.wasClicked(), 0);
    cursor.getState(nullptr, nullptr, &b, nullptr, nullptr);
    button.handleMouse(20, 20, b);
    EXPECT_EQ(button.wasClicked(), 1);
}

TEST_F(Mouse, SamplingCanBeSwitchedOff) {
    cursor.sampling = 0;
    platform::inputSetButton(0, true);
    cursor.sampleButtons();
    EXPECT_EQ(cursor.leftPresses.load(), 0);
    EXPECT_EQ(cursor.buttons.load(), 0);
}

TEST_F(Mouse, GetStateConsumesOnePressOfEach) {
    cursor.setPosition(12, 34);
    cursor.leftPresses = 1;
    cursor.rightPresses = 2;
    int x = 0, y = 0, b = -1, left = 99, right = 99;
    cursor.getState(&x, &y, &b, &left, &right);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 34);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 1);
    left = 99;
    cursor.getState(nullptr, nullptr, nullptr, &left, &right);
    EXPECT_EQ(left, 99);  // no press waiting: untouched
    EXPECT_EQ(right, 0);
    // Null outputs still consume.
    cursor.leftPresses = 3;
    cursor.getState(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(cursor.leftPresses.load(), 2);
}

TEST_F(Mouse, HiddenCursorOnlyKeepsTheSlotInStep) {
    EXPECT_EQ(cursor.init(nullptr), 1);
    cursor.selectImage(0);
    EXPECT_EQ(cursor.currentImage, nullptr);
    IDirectDrawSurface* target = makeSurface(40, 40);
    cursor.drawAtPosition(target);
    EXPECT_EQ(cursor.saveIndex, 0);
    cursor.setDoubleBuffered(1);
    cursor.drawAtPosition(target);
    EXPECT_EQ(cursor.saveIndex, 1);
    cursor.drawAtPosition(target);
    EXPECT_EQ(cursor.saveIndex, 0);
    fillRect(target, 0, 0, 40, 40, 0x1234);
    cursor.restore(target);
    EXPECT_EQ(getPixel(target, 0, 0), 0x1234);
    target->Release();
}

TEST_F(Mouse, SoftwareCursorSavesAndRestoresPerSlot) {
    testsupport::TempDir dir;
    const std::string file = dir.str() + "/cursor.bmp";
    // White 8 x 8 with a black (transparent) corner pixel.
    fwtest::writeBmp(file, 8, 8, [](int x, int y) {
        return x == 0 && y == 0 ? fwtest::Rgb{0, 0, 0} : fwtest::Rgb{255, 255, 255};
    });
    EXPECT_EQ(cursor.init(file.c_str()), 1);
    EXPECT_EQ(cursor.width, 8);
    EXPECT_EQ(cursor.visible, 0);
    cursor.selectImage(0);
    cursor.show();
    cursor.setDoubleBuffered(1);
    IDirectDrawSurface* target = makeSurface(40, 40);
    fillRect(target, 0, 0, 40, 40, 0x0101);
    cursor.setPosition(10, 10);
    const int list = dirtyRects.listIndex;
    const int before = dirtyRects.pendingCount(list);
    cursor.drawAtPosition(target);
    EXPECT_EQ(getPixel(target, 11, 11), 0xFFFF);
    EXPECT_EQ(getPixel(target, 10, 10), 0x0101);  // black is transparent
    EXPECT_EQ(cursor.savedX[0], 10);
    EXPECT_EQ(cursor.saveIndex, 1);
    EXPECT_EQ(dirtyRects.pendingCount(list), before + 1);
    // The other buffer's slot is empty: restoring it changes nothing.
    cursor.restore(target);
    EXPECT_EQ(getPixel(target, 11, 11), 0xFFFF);
    cursor.nextSlot();
    cursor.restore(target);
    EXPECT_EQ(getPixel(target, 11, 11), 0x0101);
    EXPECT_EQ(cursor.savedX[0], -1);
    cursor.destroy();
    EXPECT_EQ(cursor.currentImage, nullptr);
    EXPECT_EQ(cursor.saveSurface[0], nullptr);
    dirtyRects.setWorkingBackground(nullptr);
    target->Release();
    EXPECT_EQ(cursor.init((dir.str() + "/none.bmp").c_str()), 0);
}

}  // namespace
