// Where the sdl backend puts its window and picture: the window's first size on a desktop,
// full screen on a handheld, the picture's bars and points mapped back, and the window's
// remembered state.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>

#include "platform/display/window_placement.h"
#include "tests/support/temp_dir.h"

namespace {

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

}  // namespace
