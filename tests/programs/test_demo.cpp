// The display demo driven through the headless contract: a script of moves, clicks,
// keys and captures; the transcript, the exit status and the captured frames.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/program_run.h"
#include "support/temp_dir.h"

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
    auto run = testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, "jump 3\n", {}, dir.str());
    EXPECT_EQ(run.exitStatus, 2);
    run = testsupport::runHeadless(kStage + "/QVDemo-headless", kStage, "", {"--desktop", "big"}, dir.str());
    EXPECT_EQ(run.exitStatus, 2);
}

}  // namespace
