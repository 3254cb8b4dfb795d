// Buttons and button lists: the polled and message-driven state machines, the pixel hit
// test, drawing by state, strips, and which click a list reports.
#include <gtest/gtest.h>

#include <string>

#include "framework/button.h"
#include "framework/button_list.h"
#include "framework/dirty_rect_manager.h"
#include "framework/surface_utils.h"
#include "tests/framework/framework_support.h"
#include "tests/support/temp_dir.h"

using fwtest::fillRect;
using fwtest::makeSurface;

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

constexpr int kLeft = 1;

// A solid w x h surface of the raw pixel value v.
IDirectDrawSurface* solid(int w, int h, std::uint16_t v) {
    IDirectDrawSurface* s = makeSurface(w, h);
    fillRect(s, 0, 0, w, h, v);
    return s;
}

// A button at (10, 20) with images 0..n-1 of 40 x 20 filled with 100 + index.
Button* makeButton(int n) {
    Button* b = new Button(10, 20);
    for (int i = 0; i < n; ++i) {
        IDirectDrawSurface* s = solid(40, 20, static_cast<std::uint16_t>(100 + i));
        b->addImage(i, s);
        s->Release();
    }
    return b;
}

TEST(Button, ImagesSetSizesAndColourKey) {
    Button b(5, 6);
    IDirectDrawSurface* s = solid(30, 12, 1);
    EXPECT_EQ(b.addImage(0, s), 1);
    EXPECT_EQ(b.width, 30);
    EXPECT_EQ(b.height, 12);
    EXPECT_EQ(b.hitWidth, 30);
    EXPECT_EQ(b.hitHeight, 12);
    DDCOLORKEY key{};
    s->GetColorKey(DDCKEY_SRCBLT, &key);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0x001Fu);
    s->Release();
    EXPECT_EQ(b.addImageFile(1, "no such file.bmp"), 0);
    EXPECT_EQ(b.imageCount(), 1);
}

TEST(Button, PolledPressAndReleaseInsideClicksOnce) {
    Button* b = makeButton(3);
    EXPECT_EQ(b->handleMouse(15, 25, 0), 1);  // hover
    EXPECT_EQ(b->wasClicked(), 0);
    EXPECT_EQ(b->handleMouse(15, 25, kLeft), 2);
    EXPECT_EQ(b->handleMouse(16, 25, kLeft), 2);
    EXPECT_EQ(b->wasClicked(), 0);
    EXPECT_EQ(b->handleMouse(16, 25, 0), 1);
    EXPECT_EQ(b->wasClicked(), 1);
    EXPECT_EQ(b->clickKind, 1);
    // Visible only until the next update.
    b->handleMouse(16, 25, 0);
    EXPECT_EQ(b->wasClicked(), 0);
    delete b;
}

TEST(Button, PressOutsideThenMoveInsidePresses) {
    Button* b = makeButton(2);
    EXPECT_EQ(b->handleMouse(0, 0, kLeft), 0);
    EXPECT_EQ(b->handleMouse(20, 30, kLeft), 2);
    b->handleMouse(20, 30, 0);
    EXPECT_EQ(b->wasClicked(), 1);
    delete b;
}

TEST(Button, MovingOutWhilePressedCancels) {
    Button* b = makeButton(2);
    b->handleMouse(20, 30, kLeft);
    EXPECT_EQ(b->handleMouse(200, 30, kLeft), 0);
    EXPECT_EQ(b->handleMouse(200, 30, 0), 0);
    EXPECT_EQ(b->wasClicked(), 0);
    delete b;
}

TEST(Button, PolledTestExcludesRightAndBottomEdges) {
    Button* b = makeButton(1);  // hit rectangle 10..49 x 20..39
    EXPECT_EQ(b->handleMouse(10, 20, 0), 1);
    EXPECT_EQ(b->handleMouse(49, 39, 0), 1);
    EXPECT_EQ(b->handleMouse(50, 30, 0), 0);
    EXPECT_EQ(b->handleMouse(30, 40, 0), 0);
    b->setOffset(100, 0);
    EXPECT_EQ(b->handleMouse(30, 30, 0), 0);
    EXPECT_EQ(b->handleMouse(130, 30, 0), 1);
    delete b;
}

TEST(Button, MessageDrivenHandlingIncludesEdges) {
    Button* b = makeButton(2);
    auto at = [](int x, int y) { return static_cast<int>(MAKELPARAM(x, y)); };
    EXPECT_EQ(b->handleMessage(WM_MOUSEMOVE, 0, at(50, 40)), 1);  // corner, inclusive
    EXPECT_EQ(b->handleMessage(WM_LBUTTONDOWN, 0, at(50, 40)), 2);
    EXPECT_EQ(b->handleMessage(WM_MOUSEMOVE, 0, at(30, 30)), 2);  // stays pressed
    EXPECT_EQ(b->handleMessage(WM_LBUTTONUP, 0, at(30, 30)), 1);
    EXPECT_EQ(b->wasClicked(), 1);
    EXPECT_EQ(b->clickKind, 1);
    // A release inside clicks whatever the state before.
    b->setState(0);
    EXPECT_EQ(b->handleMessage(WM_LBUTTONUP, 0, at(11, 21)), 1);
    EXPECT_EQ(b->wasClicked(), 1);
    // Right click: no state change.
    EXPECT_EQ(b->handleMessage(WM_RBUTTONUP, 0, at(11, 21)), 1);
    EXPECT_EQ(b->clickKind, 2);
    EXPECT_EQ(b->wasClicked(), 1);
    EXPECT_EQ(b->handleMessage(WM_MOUSEMOVE, 0, at(51, 21)), 0);
    EXPECT_EQ(b->wasClicked(), 0);
    EXPECT_EQ(b->handleMessage(WM_KEYDOWN, 0, at(11, 21)), 0);
    delete b;
}

TEST(Button, DisabledButtonKeepsItsStateAndIsNotRedrawn) {
    ButtonList list;
    Button* b = makeButton(2);
    list.add(b);
    b->handleMouse(15, 25, 0);
    b->setEnabled(0);
    EXPECT_EQ(b->handleMouse(15, 25, kLeft), 1);
    EXPECT_EQ(b->handleMouse(15, 25, 0), 1);
    EXPECT_EQ(b->wasClicked(), 0);
    EXPECT_EQ(b->handleMessage(WM_LBUTTONUP, 0, MAKELPARAM(15, 25)), 1);
    EXPECT_EQ(b->wasClicked(), 0);
    fillRect(backBuffer, 10, 20, 40, 20, 0x4444);
    list.redrawAll();
    EXPECT_EQ(getPixel(backBuffer, 15, 25), 0x4444);
    b->setEnabled(1);
    list.redrawAll();
    EXPECT_EQ(getPixel(backBuffer, 15, 25), 101);
}

TEST(Button, PixelHitTestIgnoresTransparentPixels) {
    Button b(0, 0);
    IDirectDrawSurface* s = solid(20, 10, 0x07E0);
    fillRect(s, 0, 0, 10, 10, 0x001F);  // left half pure blue
    b.addImage(0, s);
    s->Release();
    b.setPixelHitTest(1);
    EXPECT_EQ(b.handleMouse(5, 5, kLeft), 0);  // transparent: not pressed
    EXPECT_EQ(b.handleMouse(15, 5, kLeft), 2);
    EXPECT_EQ(b.handleMouse(5, 5, kLeft), 2);  // already pressed stays
    EXPECT_EQ(b.handleMouse(5, 5, 0), 0);      // released over blue: back to normal, no click
    EXPECT_EQ(b.wasClicked(), 0);
    b.handleMouse(15, 5, kLeft);
    EXPECT_EQ(b.handleMouse(15, 5, 0), 1);
    EXPECT_EQ(b.wasClicked(), 1);
    // A hit rectangle larger than the picture: the part beyond it is transparent.
    b.setHitRect(0, 0, 100, 100);
    EXPECT_EQ(b.handleMouse(60, 60, kLeft), 1);  // not pressed: stays highlighted
    EXPECT_EQ(b.handleMouse(60, 60, 0), 0);
}

TEST(Button, DrawsTheImageOfItsState) {
    IDirectDrawSurface* target = makeSurface(100, 100);
    Button* two = makeButton(2);
    two->setState(2);
    two->drawTo(target);
    EXPECT_EQ(getPixel(target, 10, 20), 101);  // falls back to the last image
    Button* three = makeButton(3);
    three->setState(2);
    three->drawTo(target);
    EXPECT_EQ(getPixel(target, 49, 39), 102);
    three->setFrameOffset(-1);
    three->drawTo(target);
    EXPECT_EQ(getPixel(target, 10, 20), 101);
    three->setSingleImage(1);
    three->drawTo(target);
    EXPECT_EQ(getPixel(target, 10, 20), 100);
    two->setState(0);
    two->swapImages();
    two->drawTo(target);
    EXPECT_EQ(getPixel(target, 10, 20), 101);
    EXPECT_EQ(two->images->at<ButtonImage>(0)->id, 0);
    // Without images nothing is drawn.
    Button bare(0, 0, 5, 5);
    fillRect(target, 0, 0, 5, 5, 0x5555);
    bare.drawTo(target);
    EXPECT_EQ(getPixel(target, 0, 0), 0x5555);
    delete two;
    delete three;
    target->Release();
}

TEST(Button, MarkDirtyQueuesOneShotRestoreRectangles) {
    IDirectDrawSurface* target = makeSurface(100, 100);
    Button* b = makeButton(1);
    b->setOffset(3, 4);
    const int before = dirtyRects.pendingCount(dirtyRects.listIndex);
    b->drawTo(target);
    EXPECT_EQ(dirtyRects.pendingCount(dirtyRects.listIndex), before);
    b->setMarkDirty(1);
    b->drawTo(target);
    ASSERT_EQ(dirtyRects.pendingCount(dirtyRects.listIndex), before + 1);
    const DirtyRect* r = dirtyRects.pending(dirtyRects.listIndex, before);
    EXPECT_EQ(r->x, 13);
    EXPECT_EQ(r->y, 24);
    EXPECT_EQ(r->width, 40);
    EXPECT_EQ(r->height, 20);
    EXPECT_EQ(r->flags, DIRTY_ONESHOT | DIRTY_RESTORE);
    dirtyRects.setWorkingBackground(nullptr);  // drops it
    delete b;
    target->Release();
}

TEST(Button, DrawToBackgroundsBakesIntoBothScenes) {
    IDirectDrawSurface* working = makeSurface(100, 100);
    IDirectDrawSurface* pristine = makeSurface(100, 100);
    dirtyRects.setWorkingBackground(working);
    dirtyRects.setPristineBackground(pristine);
    Button* b = makeButton(1);
    b->drawToBackgrounds(0);
    EXPECT_EQ(getPixel(working, 10, 20), 0);
    b->drawToBackgrounds(1);
    EXPECT_EQ(getPixel(working, 10, 20), 100);
    EXPECT_EQ(getPixel(pristine, 10, 20), 100);
    dirtyRects.setWorkingBackground(nullptr);
    dirtyRects.setPristineBackground(nullptr);
    delete b;
    working->Release();
    pristine->Release();
}

TEST(Button, NameIsCutToItsBuffer) {
    Button b;
    const std::string longName(300, 'n');
    b.setName(longName.c_str());
    EXPECT_EQ(std::string(b.getName()), std::string(63, 'n'));
    EXPECT_EQ(b.enabled, 1);  // the field after the name is untouched
    EXPECT_EQ(b.singleImage, 0);
    b.setName(nullptr);
    EXPECT_STREQ(b.getName(), "");
}

class Strips : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string bmp(const char* name, int w, int h) {
        const std::string path = dir.str() + "/" + name;
        fwtest::writeBmp(path, w, h, [](int x, int) {
            return fwtest::Rgb{x < 83 ? 255 : 0, x >= 83 && x < 166 ? 255 : 0, 0};
        });
        return path;
    }
};

TEST_F(Strips, HorizontalStripCutsEqualTiles) {
    Button b(0, 0);
    EXPECT_EQ(b.loadStrip(bmp("strip.bmp", 250, 40).c_str(), 3, 0), 1);
    ASSERT_EQ(b.imageCount(), 3);
    EXPECT_EQ(b.width, 83);
    EXPECT_EQ(b.height, 40);
    EXPECT_EQ(getPixel(b.imageSurface(0), 82, 0), fwtest::rgb565(255, 0, 0));
    EXPECT_EQ(getPixel(b.imageSurface(1), 0, 0), fwtest::rgb565(0, 255, 0));
    EXPECT_EQ(getPixel(b.imageSurface(2), 0, 39), 0);
    EXPECT_EQ(b.images->at<ButtonImage>(2)->id, 2);
}

TEST_F(Strips, VerticalStripAndMissingFile) {
    Button b(0, 0);
    EXPECT_EQ(b.loadStrip(bmp("tall.bmp", 30, 60).c_str(), 2, 1), 1);
    EXPECT_EQ(b.imageCount(), 2);
    EXPECT_EQ(b.width, 30);
    EXPECT_EQ(b.height, 30);
    EXPECT_EQ(b.loadStrip((dir.str() + "/none.bmp").c_str(), 2, 0), 0);
    EXPECT_EQ(b.imageCount(), 2);
}

TEST_F(Strips, StripNarrowerThanItsCountGivesNoTiles) {
    Button b(0, 0);
    EXPECT_EQ(b.loadStrip(bmp("narrow.bmp", 2, 10).c_str(), 3, 0), 0);
    EXPECT_EQ(b.imageCount(), 0);
    EXPECT_EQ(b.loadStrip(bmp("short.bmp", 10, 2).c_str(), 5, 1), 0);
    EXPECT_EQ(b.loadStrip(bmp("zero.bmp", 10, 2).c_str(), 0, 0), 0);
    EXPECT_EQ(b.imageCount(), 0);
    // Without images it still reacts by its hit rectangle.
    b.setHitRect(0, 0, 10, 10);
    b.handleMouse(1, 1, kLeft);
    b.handleMouse(1, 1, 0);
    EXPECT_EQ(b.wasClicked(), 1);
}

TEST(ButtonList, OnlyTheFirstClickedButtonAnswers) {
    ButtonList list;
    Button* a = new Button(0, 0, 10, 10);
    Button* b = new Button(0, 0, 10, 10);
    a->setName("first");
    b->setName("second");
    list.add(a);
    list.add(b);
    list.handleMouse(5, 5, kLeft);
    list.handleMouse(5, 5, 0);
    EXPECT_EQ(list.firstClicked(), a);
    EXPECT_EQ(list.wasClicked("first"), 1);
    EXPECT_EQ(list.wasClicked("second"), 0);
    EXPECT_EQ(list.wasClicked("First"), 0);
    list.handleMouse(5, 5, 0);
    EXPECT_EQ(list.firstClicked(), nullptr);
    EXPECT_EQ(list.wasClicked("first"), 0);
}

TEST(ButtonList, FindRemoveAndOrigin) {
    ButtonList list;
    Button* a = new Button(0, 0, 10, 10);
    a->setName("a");
    Button* b = new Button(20, 0, 10, 10);
    b->setName("b");
    list.add(a);
    list.add(b);
    EXPECT_EQ(list.find("b"), b);
    EXPECT_EQ(list.find("c"), nullptr);
    list.setOrigin(100, 50);
    EXPECT_EQ(list.originX, 100);
    EXPECT_EQ(b->offsetX, 100);
    EXPECT_EQ(a->offsetY, 50);
    list.handleMouse(125, 55, 0);
    EXPECT_EQ(b->getState(), 1);
    EXPECT_EQ(a->getState(), 0);
    list.removeByName("a");
    EXPECT_EQ(list.getCount(), 1);
    EXPECT_EQ(list.find("a"), nullptr);
    list.removeByName("a");
    EXPECT_EQ(list.getCount(), 1);
    list.destroyAll();
    EXPECT_EQ(list.getCount(), 0);
}

}  // namespace
