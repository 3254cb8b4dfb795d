// Surface functions, the pointer array and dirty-rectangle restoration.
#include <gtest/gtest.h>

#include "framework/dirty_rect_manager.h"
#include "framework/ptr_array.h"
#include "framework/surface_utils.h"
#include "tests/framework/framework_support.h"
#include "tests/support/temp_dir.h"

using fwtest::fillRect;
using fwtest::makeSurface;
using fwtest::rgb565;

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

// Releases a surface at the end of a scope.
struct Held {
    IDirectDrawSurface* s;
    explicit Held(IDirectDrawSurface* surface) : s(surface) {}
    ~Held() {
        if (s) s->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    operator IDirectDrawSurface*() const { return s; }
};

TEST(PtrArray, GrowsByDoublingAndKeepsOrder) {
    PtrArray a(1);
    int values[5] = {};
    for (int& v : values) a.add(&v);
    EXPECT_EQ(a.getCount(), 5);
    EXPECT_EQ(a.getCapacity(), 8);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.get(i), &values[i]);
    EXPECT_EQ(a.get(5), nullptr);
}

TEST(PtrArray, RemovalShiftsAndMovesPositionBack) {
    PtrArray a(1);
    int v[4] = {};
    for (int& x : v) a.add(&x);
    a.setPosition(2);
    EXPECT_TRUE(a.remove(&v[3]));  // after the position: position stays
    EXPECT_EQ(a.getPosition(), 2);
    EXPECT_TRUE(a.remove(&v[0]));  // before it: position moves back
    EXPECT_EQ(a.getPosition(), 1);
    ASSERT_EQ(a.getCount(), 2);
    EXPECT_EQ(a.get(0), &v[1]);
    EXPECT_EQ(a.get(1), &v[2]);
    int other = 0;
    EXPECT_FALSE(a.remove(&other));
    EXPECT_EQ(a.getCount(), 2);
    a.clear();
    EXPECT_EQ(a.getCount(), 0);
    EXPECT_EQ(a.getPosition(), 0);
}

TEST(PtrArray, ZeroCapacityStillGrows) {
    PtrArray a(0);
    int v = 0;
    a.add(&v);
    a.add(&v);
    EXPECT_EQ(a.getCount(), 2);
}

TEST(ColourValue, PacksIntoTheSurfaceFormat) {
    Held s565(makeSurface(4, 4));
    Held s555(makeSurface(4, 4, true));
    ASSERT_TRUE(s565.s && s555.s);
    EXPECT_EQ(colourValue(s565, 0, 0, 255), 0x001Fu);
    EXPECT_EQ(colourValue(s565, 255, 255, 255), 0xFFFFu);
    EXPECT_EQ(colourValue(s565, 255, 0, 0), 0xF800u);
    EXPECT_EQ(colourValue(s565, 0, 255, 0), 0x07E0u);
    EXPECT_EQ(colourValue(s555, 255, 255, 255), 0x7FFFu);
    EXPECT_EQ(colourValue(s555, 0, 255, 0), 0x03E0u);
    EXPECT_EQ(colourValue(s555, 0, 0, 255), 0x001Fu);
}

TEST(SurfaceFunctions, SizePixelsFillAndCentre) {
    Held s(makeSurface(100, 50));
    int w = 0, h = 0;
    getSurfaceSize(s, &w, &h);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 50);
    fillSurface(s, 0x12345);  // only the low 16 bits count
    EXPECT_EQ(getPixel(s, 0, 0), 0x2345);
    fillRect(s, 99, 49, 1, 1, 0xBEEF);
    EXPECT_EQ(getPixel(s, 99, 49), 0xBEEF);
    EXPECT_EQ(getPixel(s, 100, 0), -1);
    EXPECT_EQ(getPixel(s, 0, -1), -1);
    RECT r{};
    centreRect(s, 0, 0, 800, 600, &r);
    EXPECT_EQ(r.left, 350);
    EXPECT_EQ(r.top, 275);
    EXPECT_EQ(r.right, 450);
    EXPECT_EQ(r.bottom, 325);
}

TEST(CreateSurface, MakesOffscreenSurfacesWithBlackKey) {
    Held s(createSurface(30, 20));
    ASSERT_NE(s.s, nullptr);
    int w = 0, h = 0;
    getSurfaceSize(s, &w, &h);
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 20);
    DDCOLORKEY key{1, 1};
    ASSERT_EQ(s.s->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0u);
    EXPECT_EQ(createSurface(0, 10), nullptr);
}

// A source whose column x holds the pixel value x + 1, keyed on blue.
IDirectDrawSurface* columnSource(int w, int h) {
    IDirectDrawSurface* s = makeSurface(w, h);
    for (int x = 0; x < w; ++x) fillRect(s, x, 0, 1, h, static_cast<std::uint16_t>(x + 1));
    setColourKey(s, 0, 0, 255);
    return s;
}

TEST(BlitAt, ClipsAtTheLeftEdge) {
    Held src(columnSource(50, 10));
    Held dst(makeSurface(100, 20));
    fillSurface(dst, 0xAAAA);
    blitAt(src, dst, -10, 0);
    EXPECT_EQ(getPixel(dst, 0, 0), 11);   // source column 10
    EXPECT_EQ(getPixel(dst, 39, 9), 50);  // source column 49
    EXPECT_EQ(getPixel(dst, 40, 0), 0xAAAA);
    EXPECT_EQ(getPixel(dst, 0, 10), 0xAAAA);
}

TEST(BlitAt, ClipsAtTheRightAndBottomAndSkipsKeyedPixels) {
    Held src(columnSource(50, 10));
    fillRect(src, 3, 0, 1, 10, 0x001F);  // blue column is transparent
    Held dst(makeSurface(100, 20));
    fillSurface(dst, 0xAAAA);
    blitAt(src, dst, 90, 15);
    EXPECT_EQ(getPixel(dst, 90, 15), 1);
    EXPECT_EQ(getPixel(dst, 93, 15), 0xAAAA);
    EXPECT_EQ(getPixel(dst, 99, 19), 10);
    EXPECT_EQ(getPixel(dst, 89, 15), 0xAAAA);
    // Entirely outside: nothing happens.
    blitAt(src, dst, 200, 0);
    blitAt(src, dst, -60, 0);
    EXPECT_EQ(getPixel(dst, 0, 0), 0xAAAA);
}

TEST(BlitRegion, CopiesTheSameRectangleClipped) {
    Held src(columnSource(100, 20));
    Held dst(makeSurface(60, 20));
    fillSurface(dst, 0xAAAA);
    blitRegion(src, 20, 0, 10, 5, dst, 20, 0);
    EXPECT_EQ(getPixel(dst, 20, 0), 21);
    EXPECT_EQ(getPixel(dst, 29, 4), 30);
    EXPECT_EQ(getPixel(dst, 30, 0), 0xAAAA);
    EXPECT_EQ(getPixel(dst, 20, 5), 0xAAAA);
    // Negative destination corner: source shifts by the same amount.
    blitRegion(src, 5, 0, 10, 2, dst, -5, 10);
    EXPECT_EQ(getPixel(dst, 0, 10), 11);
    EXPECT_EQ(getPixel(dst, 4, 11), 15);
    EXPECT_EQ(getPixel(dst, 5, 10), 0xAAAA);
    // Past the right edge: cut at the destination width.
    blitRegion(src, 55, 15, 20, 5, dst, 55, 15);
    EXPECT_EQ(getPixel(dst, 59, 19), 60);
}

TEST(SplitIntoTiles, CutsRowByRowAndDropsRemainders) {
    Held src(columnSource(250, 40));
    PtrArray tiles(1);
    int columns = -1;
    EXPECT_EQ(splitIntoTiles(src, &tiles, 83, 40, &columns), 1);
    EXPECT_EQ(columns, 3);
    ASSERT_EQ(tiles.getCount(), 3);
    for (int i = 0; i < 3; ++i) {
        IDirectDrawSurface* t = tiles.at<IDirectDrawSurface>(i);
        int w = 0, h = 0;
        getSurfaceSize(t, &w, &h);
        EXPECT_EQ(w, 83);
        EXPECT_EQ(h, 40);
        EXPECT_EQ(getPixel(t, 0, 0), 83 * i + 1);
        EXPECT_EQ(getPixel(t, 82, 39), 83 * i + 83);
        DDCOLORKEY key{};
        t->GetColorKey(DDCKEY_SRCBLT, &key);
        EXPECT_EQ(key.dwColorSpaceLowValue, 0x001Fu);
        t->Release();
    }
}

TEST(SplitIntoTiles, GridOrderAndZeroSizedTiles) {
    Held src(makeSurface(20, 20));
    fillRect(src, 10, 0, 10, 10, 7);
    fillRect(src, 0, 10, 10, 10, 9);
    PtrArray tiles(1);
    EXPECT_EQ(splitIntoTiles(src, &tiles, 10, 10, nullptr), 1);
    ASSERT_EQ(tiles.getCount(), 4);
    EXPECT_EQ(getPixel(tiles.at<IDirectDrawSurface>(1), 0, 0), 7);
    EXPECT_EQ(getPixel(tiles.at<IDirectDrawSurface>(2), 0, 0), 9);
    for (int i = 0; i < 4; ++i) tiles.at<IDirectDrawSurface>(i)->Release();
    tiles.clear();
    int columns = -1;
    EXPECT_EQ(splitIntoTiles(src, &tiles, 0, 10, &columns), 0);
    EXPECT_EQ(tiles.getCount(), 0);
    EXPECT_EQ(columns, 0);
}

TEST(SplitFileIntoTiles, LoadsAndCuts) {
    testsupport::TempDir dir;
    const std::string file = dir.str() + "/grid.bmp";
    fwtest::writeSolidBmp(file, 30, 10, {255, 0, 0});
    PtrArray tiles(1);
    EXPECT_EQ(splitFileIntoTiles(file.c_str(), &tiles, 10, 10, nullptr), 1);
    ASSERT_EQ(tiles.getCount(), 3);
    EXPECT_EQ(getPixel(tiles.at<IDirectDrawSurface>(2), 5, 5), rgb565(255, 0, 0));
    for (int i = 0; i < 3; ++i) tiles.at<IDirectDrawSurface>(i)->Release();
    EXPECT_EQ(splitFileIntoTiles((dir.str() + "/missing.bmp").c_str(), &tiles, 10, 10, nullptr), 0);
}

class DirtyRects : public ::testing::Test {
protected:
    void SetUp() override {
        working = makeSurface(64, 64);
        pristine = makeSurface(64, 64);
        target = makeSurface(64, 64);
        fillSurface(working, 0x1111);
        fillSurface(pristine, 0x2222);
        fillSurface(target, 0x9999);
        manager.setWorkingBackground(working);
        manager.setPristineBackground(pristine);
    }
    void TearDown() override {
        for (IDirectDrawSurface* s : {working, pristine, target}) s->Release();
    }
    DirtyRectManager manager;
    IDirectDrawSurface* working = nullptr;
    IDirectDrawSurface* pristine = nullptr;
    IDirectDrawSurface* target = nullptr;
};

TEST_F(DirtyRects, RestoredAfterItsOwnBufferComesBack) {
    // Drawn during frame N into the buffer of list 0.
    manager.queueRect(4, 4, 8, 8, DIRTY_ONESHOT, DIRTY_RESTORE);
    // The flip that presents frame N: the other list is processed.
    manager.flip();
    manager.processList(target);
    EXPECT_EQ(getPixel(target, 5, 5), 0x9999);
    EXPECT_EQ(manager.pendingCount(0), 1);
    // The flip that presents frame N + 1 brings the rectangle's buffer back.
    manager.flip();
    manager.processList(target);
    EXPECT_EQ(getPixel(target, 4, 4), 0x1111);
    EXPECT_EQ(getPixel(target, 11, 11), 0x1111);
    EXPECT_EQ(getPixel(target, 12, 12), 0x9999);
    EXPECT_EQ(manager.pendingCount(0), 0);
}

TEST_F(DirtyRects, AllOneShotRectanglesGoInOnePass) {
    RECT r{20, 20, 30, 25};
    manager.queueRect(0, 0, 2, 2, DIRTY_ONESHOT, DIRTY_RESTORE);
    manager.queueRect(10, 10, 2, 2, DIRTY_ONESHOT | DIRTY_RESTORE, 0);
    manager.queueRect(&r, DIRTY_ONESHOT, DIRTY_RESTORE);
    ASSERT_EQ(manager.pendingCount(0), 3);
    EXPECT_EQ(manager.pending(0, 2)->width, 10);
    EXPECT_EQ(manager.pending(0, 2)->height, 5);
    manager.processList(target);
    EXPECT_EQ(manager.pendingCount(0), 0);
    EXPECT_EQ(getPixel(target, 1, 1), 0x1111);
    EXPECT_EQ(getPixel(target, 11, 11), 0x1111);
    EXPECT_EQ(getPixel(target, 29, 24), 0x1111);
}

TEST_F(DirtyRects, PersistentRectanglesStay) {
    manager.queueRect(0, 0, 4, 4, DIRTY_RESTORE, 0);
    manager.processList(target);
    manager.processList(target);
    EXPECT_EQ(manager.pendingCount(0), 1);
    EXPECT_EQ(getPixel(target, 0, 0), 0x1111);
}

TEST_F(DirtyRects, RectanglesOfAnOlderWorkingBackgroundAreDropped) {
    manager.queueRect(0, 0, 8, 8, DIRTY_ONESHOT, DIRTY_RESTORE);
    manager.flip();
    manager.queueRect(0, 0, 8, 8, DIRTY_ONESHOT, DIRTY_RESTORE);
    manager.queueRect(0, 0, 8, 8, DIRTY_RESTORE, 0);  // not one-shot: survives the switch
    IDirectDrawSurface* newer = makeSurface(64, 64);
    fillSurface(newer, 0x3333);
    manager.setWorkingBackground(newer);
    EXPECT_EQ(manager.pendingCount(0), 0);
    EXPECT_EQ(manager.pendingCount(1), 1);
    manager.processList(target);
    // The surviving rectangle was queued against the old background: not copied.
    EXPECT_EQ(getPixel(target, 0, 0), 0x9999);
    manager.queueRect(0, 0, 8, 8, DIRTY_ONESHOT, DIRTY_RESTORE);
    manager.processList(target);
    EXPECT_EQ(getPixel(target, 0, 0), 0x3333);
    manager.setWorkingBackground(working);
    newer->Release();
}

TEST_F(DirtyRects, AnOwnersRectangleFallsDueForItsOwnerToRestore) {
    manager.queueRect(4, 4, 8, 8, DIRTY_ONESHOT, DIRTY_RESTORE | DIRTY_OWNER);
    manager.processList(target);
    EXPECT_EQ(manager.pendingCount(0), 0);
    EXPECT_EQ(getPixel(target, 4, 4), 0x9999) << "left to its owner";
    EXPECT_FALSE(manager.takeDue(4, 4, 8, 4)) << "only the rectangle queued";
    EXPECT_TRUE(manager.takeDue(4, 4, 8, 8));
    EXPECT_FALSE(manager.takeDue(4, 4, 8, 8)) << "taken once";
    // Not taken: restored at the next processing all the same.
    manager.queueRect(4, 4, 8, 8, DIRTY_ONESHOT, DIRTY_RESTORE | DIRTY_OWNER);
    manager.processList(target);
    manager.processList(target);
    EXPECT_EQ(getPixel(target, 4, 4), 0x1111);
    EXPECT_EQ(getPixel(target, 12, 12), 0x9999);
    EXPECT_FALSE(manager.takeDue(4, 4, 8, 8));
    // Another working background meanwhile: nothing is due, nothing restored.
    fillSurface(target, 0x9999);
    manager.queueRect(4, 4, 8, 8, DIRTY_ONESHOT, DIRTY_RESTORE | DIRTY_OWNER);
    manager.processList(target);
    manager.setWorkingBackground(pristine);
    manager.setWorkingBackground(working);
    EXPECT_FALSE(manager.takeDue(4, 4, 8, 8));
    manager.processList(target);
    EXPECT_EQ(getPixel(target, 4, 4), 0x9999);
}

TEST_F(DirtyRects, BothListsFlagQueuesACopyInEach) {
    manager.queueRect(0, 0, 4, 4, DIRTY_ONESHOT | DIRTY_BOTHLISTS, DIRTY_RESTORE);
    EXPECT_EQ(manager.pendingCount(0), 1);
    EXPECT_EQ(manager.pendingCount(1), 1);
    manager.processList(target);
    manager.flip();
    manager.processList(target);
    EXPECT_EQ(manager.pendingCount(0) + manager.pendingCount(1), 0);
}

TEST_F(DirtyRects, RebuildCopiesThePristineSceneFirst) {
    manager.queueRect(0, 0, 4, 4, DIRTY_ONESHOT, DIRTY_REBUILD);
    manager.processList(target);
    EXPECT_EQ(getPixel(working, 0, 0), 0x2222);
    EXPECT_EQ(getPixel(target, 3, 3), 0x2222);
    EXPECT_EQ(getPixel(working, 4, 4), 0x1111);
}

TEST_F(DirtyRects, RestoreNowAndRefreshAllRebuildTheWorkingScene) {
    manager.restoreNow(8, 8, 4, 4);
    EXPECT_EQ(getPixel(working, 8, 8), 0x2222);
    EXPECT_EQ(getPixel(working, 12, 12), 0x1111);
    ASSERT_EQ(manager.pendingCount(0), 1);
    EXPECT_EQ(manager.pending(0, 0)->flags, DIRTY_ONESHOT | DIRTY_RESTORE);
    manager.processList(target);
    EXPECT_EQ(getPixel(target, 8, 8), 0x2222);

    manager.refreshAll();
    EXPECT_EQ(getPixel(working, 63, 63), 0x2222);
    ASSERT_EQ(manager.pendingCount(0), 1);
    EXPECT_EQ(manager.pending(0, 0)->width, 64);
    EXPECT_EQ(manager.pendingCount(1), 0);
    manager.processList(target);
    EXPECT_EQ(getPixel(target, 63, 0), 0x2222);
}

}  // namespace
