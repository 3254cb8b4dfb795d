// The display demo driven through the headless contract: a script of moves, clicks,
// keys and captures; the transcript, the exit status and the captured frames.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string kStage = STUDIO_STAGE_DIR;

bool greenMarkerAt(const testsupport::Picture& p, int x, int y) {
    int r, g, b;
    p.pixel(x + 8, y, r, g, b);  // the marker's ring, outside its white centre
    return g > 150 && r < 100 && b < 140;
}

TEST(Demo, AScriptDrivesTheDemoAndTheCapturesShowIt) {
    testsupport::TempDir dir;
    const std::string script =
        "# the pointer in two places, a click, keys, then Esc\n"
        "move 200 150\n"
        "wait 3\n"
        "capture first.bmp\n"
        "move 600 420\n"
        "press left\n"
        "wait 3\n"
        "capture pressed.bmp\n"
        "release left\n"
        "wait 2\n"
        "key 30\n"
        "wait 2\n"
        "capture after.bmp\n"
        "key 1\n"
        "wait 5\n";
    auto run = testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, script, {}, dir.str());
    ASSERT_EQ(run.exitStatus, 0);
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.front(), "title\tqv demo");
    EXPECT_EQ(run.transcript.back(), "exit\t0");

    auto first = testsupport::readBmp24(run.captureDir + "/first.bmp");
    auto pressed = testsupport::readBmp24(run.captureDir + "/pressed.bmp");
    auto after = testsupport::readBmp24(run.captureDir + "/after.bmp");
    ASSERT_TRUE(first.ok() && pressed.ok() && after.ok());
    EXPECT_EQ(first.width, 800);
    EXPECT_EQ(first.height, 600);
    EXPECT_TRUE(greenMarkerAt(first, 200, 150)) << "the marker follows the pointer";
    EXPECT_FALSE(greenMarkerAt(first, 600, 420));
    int r, g, b;
    pressed.pixel(600 + 8, 420, r, g, b);
    EXPECT_GT(r, 180) << "red while the button is down";
    EXPECT_LT(g, 100);
    EXPECT_TRUE(greenMarkerAt(after, 600, 420)) << "green again after the release";
}

// Pixels of the dark blue the demo draws its click rings in, within a box round (x, y).
int ringPixelsNear(const testsupport::Picture& p, int x, int y) {
    int n = 0;
    for (int py = y - 40; py <= y + 40; ++py)
        for (int px = x - 40; px <= x + 40; ++px) {
            int r, g, b;
            p.pixel(px, py, r, g, b);
            n += r < 80 && g < 90 && b > 90 && b < 160;
        }
    return n;
}

TEST(Demo, ClicksLeaveRingsWhereTheyLanded) {
    testsupport::TempDir dir;
    // (700, 150) and (120, 470) are clear of the orbiting discs and the text lines.
    const std::string script =
        "move 400 80\n"
        "wait 2\n"
        "capture before.bmp\n"
        "click 700 150\n"
        "click 120 470\n"
        "move 400 80\n"
        "wait 3\n"
        "capture rings.bmp\n";
    auto run = testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, script, {}, dir.str());
    ASSERT_EQ(run.exitStatus, 0);
    auto before = testsupport::readBmp24(run.captureDir + "/before.bmp");
    auto rings = testsupport::readBmp24(run.captureDir + "/rings.bmp");
    ASSERT_TRUE(before.ok() && rings.ok());
    EXPECT_EQ(ringPixelsNear(before, 700, 150), 0);
    EXPECT_EQ(ringPixelsNear(before, 120, 470), 0);
    EXPECT_GT(ringPixelsNear(rings, 700, 150), 40);
    EXPECT_GT(ringPixelsNear(rings, 120, 470), 40);
    EXPECT_EQ(ringPixelsNear(rings, 700, 470), 0) << "only where the clicks were";
}

TEST(Demo, AFailedDisplaySetUpIsShownAndEndsWithOne) {
    testsupport::TempDir dir;
    auto run = testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, "",
                                        {"--fail", "display"}, dir.str());
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.back(), "exit\t1");
    bool shown = false;
    for (const auto& line : run.transcript)
        shown |= line.rfind("messagebox\tdisplay set-up failed\t", 0) == 0;
    EXPECT_TRUE(shown) << "the error reaches the player";
}

TEST(Demo, WithoutAScriptTheDriverClosesTheProgram) {
    testsupport::TempDir dir;
    auto run = testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, "", {}, dir.str());
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.back(), "exit\t0");
}

TEST(Demo, MaxFramesEndsARunThatWouldNotEnd) {
    testsupport::TempDir dir;
    auto run = testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, "wait 1000\n",
                                        {"--max-frames", "50"}, dir.str());
    EXPECT_EQ(run.exitStatus, 124);
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.back(), "exit\t124");
}

TEST(Demo, BadScriptsAndOptionsAreRefusedBeforeTheProgramRuns) {
    testsupport::TempDir dir;
    auto run =
        testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, "jump 3\n", {}, dir.str());
    EXPECT_EQ(run.exitStatus, 2);
    run = testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, "", {"--desktop", "big"},
                                   dir.str());
    EXPECT_EQ(run.exitStatus, 2);
}

}  // namespace
