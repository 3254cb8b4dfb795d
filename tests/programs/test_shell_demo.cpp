// The shell's test program driven through the headless contract: the whole frame loop with
// a screen, buttons, a sprite, a dialog and dirty rectangles, checked on captured frames;
// and the start-up refusals with their messages and results.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string kStage = STUDIO_STAGE_DIR;
const std::string kProgram = kStage + "/ShellDemo/ShellDemo-headless";

// The program runs in a folder of its own holding copies of its pictures.
void copyPictures(const testsupport::TempDir& dir) {
    for (const auto& entry : fs::directory_iterator(kStage + "/ShellDemo"))
        if (entry.path().extension() == ".bmp")
            fs::copy_file(entry.path(), dir.path() / entry.path().filename());
}

int countLines(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

using testsupport::readFile;

// Pixels of the box (x, y, w, h) whose 16-bit colours differ between the two pictures.
int differingPixels(const testsupport::Picture& a, const testsupport::Picture& b, int x, int y,
                    int w, int h) {
    int n = 0;
    for (int py = y; py < y + h; ++py)
        for (int px = x; px < x + w; ++px) {
            int r1, g1, b1, r2, g2, b2;
            a.pixel(px, py, r1, g1, b1);
            b.pixel(px, py, r2, g2, b2);
            n += (r1 >> 3) != (r2 >> 3) || (g1 >> 2) != (g2 >> 2) || (b1 >> 3) != (b2 >> 3);
        }
    return n;
}

// Button one at (60, 480), button two at (240, 480), both 150 x 50; the spinner at
// (640, 150), 48 x 48; the dialog 360 x 200 centred at (220, 200), its OK at (130, 140).
TEST(ShellDemo, TheFrameLoopRunsButtonsSpriteDialogAndDirtyRectangles) {
    testsupport::TempDir dir;
    copyPictures(dir);
    const std::string script =
        "wait 3\n"
        "capture start.bmp\n"
        "move 135 505\n"
        "wait 3\n"
        "capture hover.bmp\n"
        "press left\n"
        "wait 3\n"
        "release left\n"
        "wait 4\n"
        "capture hidden.bmp\n"
        "move 315 505\n"
        "wait 2\n"
        "press left\n"
        "wait 3\n"
        "release left\n"
        "wait 4\n"
        "capture dialog.bmp\n"
        "move 400 360\n"
        "wait 2\n"
        "press left\n"
        "wait 3\n"
        "release left\n"
        "wait 4\n"
        "move 700 300\n"
        "wait 4\n"
        "capture closed.bmp\n"
        "key 1\n"
        "wait 30\n"
        "capture too-late.bmp\n";
    auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
    ASSERT_EQ(run.exitStatus, 0);
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.front(), "title\tShellDemo");
    EXPECT_EQ(countLines(run.transcript, "title\tShellDemo - one 1"), 1) << "one click, one report";
    EXPECT_EQ(countLines(run.transcript, "title\tShellDemo - one 2"), 0);
    EXPECT_EQ(countLines(run.transcript, "title\tShellDemo - dialog open"), 1);
    EXPECT_EQ(countLines(run.transcript, "title\tShellDemo - dialog closed ok"), 1);
    EXPECT_EQ(run.transcript.back(), "exit\t0");
    EXPECT_EQ(readFile(dir.path() / "shutdown.txt"), "shutdown\n") << "shutdown ran once";
    EXPECT_FALSE(fs::exists(dir.path() / "shots/too-late.bmp")) << "Esc ended the program";

    const auto background = testsupport::readBmp24(kStage + "/ShellDemo/background.bmp");
    const auto start = testsupport::readBmp24(run.captureDir + "/start.bmp");
    const auto hover = testsupport::readBmp24(run.captureDir + "/hover.bmp");
    const auto hidden = testsupport::readBmp24(run.captureDir + "/hidden.bmp");
    const auto dialog = testsupport::readBmp24(run.captureDir + "/dialog.bmp");
    const auto closed = testsupport::readBmp24(run.captureDir + "/closed.bmp");
    ASSERT_TRUE(background.ok() && start.ok() && hover.ok() && hidden.ok() && dialog.ok() &&
                closed.ok());

    // The spinner shows at first; once hidden, its rectangle is background again.
    EXPECT_GT(differingPixels(start, background, 640, 150, 48, 48), 200);
    EXPECT_EQ(differingPixels(hidden, background, 640, 150, 48, 48), 0);
    // The buttons are drawn, and button one lights up under the pointer.
    EXPECT_GT(differingPixels(start, background, 60, 480, 150, 50), 1000);
    EXPECT_GT(differingPixels(hover, start, 60, 480, 150, 50), 100);
    EXPECT_EQ(differingPixels(hover, start, 240, 480, 150, 50), 0);
    // The dialog covers the middle of the screen, and after it closes the scene is whole.
    EXPECT_GT(differingPixels(dialog, background, 220, 200, 360, 200), 20000);
    EXPECT_EQ(differingPixels(closed, background, 0, 0, 800, 470), 0);
    EXPECT_EQ(differingPixels(closed, start, 0, 530, 800, 70), 0);
}

TEST(ShellDemo, ClosingTheWindowEndsWithTheShutdownRunOnce) {
    testsupport::TempDir dir;
    copyPictures(dir);
    auto run =
        testsupport::runHeadless(kProgram, dir.str(), "wait 5\nclose\nwait 20\n", {}, dir.str());
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(readFile(dir.path() / "shutdown.txt"), "shutdown\n");
}

struct Refusal {
    std::vector<std::string> args;
    int exitStatus;
    std::string message;  // empty: no message box
};

TEST(ShellDemo, StartUpRefusesWhatItCannotRunOnWithItsOwnMessages) {
    const std::string highColour = "Ravelin Games needs the display set to High Color (16 bit).";
    const std::vector<Refusal> refusals = {
        {{"--desktop", "1024x768x32"}, 0, highColour},
        {{"--desktop", "1024x768x8"}, 0, highColour},
        {{"--desktop", "1024x768x24"}, 0, highColour},
        {{"--fail", "directdraw-create"},
         0,
         "DirectX not installed. Program needs DirectX 7.0a or higher to run"},
        {{"--fail", "directdraw7"}, 0, "DirectX Version 7.0a or greater not installed"},
        {{"--fail", "register-class"}, 1, ""},
        {{"--fail", "create-window"}, 1, ""},
    };
    for (const Refusal& refusal : refusals) {
        testsupport::TempDir dir;
        copyPictures(dir);
        auto run =
            testsupport::runHeadless(kProgram, dir.str(), "wait 5\n", refusal.args, dir.str());
        const std::string what = refusal.args[0] + " " + refusal.args[1];
        EXPECT_EQ(run.exitStatus, refusal.exitStatus) << what;
        std::vector<std::string> boxes;
        for (const auto& line : run.transcript)
            if (line.rfind("messagebox\t", 0) == 0) boxes.push_back(line);
        if (refusal.message.empty()) {
            EXPECT_TRUE(boxes.empty()) << what;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << what;
            EXPECT_EQ(boxes[0], "messagebox\t" + refusal.message + "\t") << what;
        }
        EXPECT_FALSE(fs::exists(dir.path() / "shutdown.txt")) << what;
    }
}

TEST(ShellDemo, HighColourDesktopsOfFifteenAndSixteenBitsStart) {
    for (const char* desktop : {"1024x768x15", "800x600x16"}) {
        testsupport::TempDir dir;
        copyPictures(dir);
        auto run = testsupport::runHeadless(kProgram, dir.str(), "wait 5\n", {"--desktop", desktop},
                                            dir.str());
        EXPECT_EQ(run.exitStatus, 0) << desktop;
        ASSERT_FALSE(run.transcript.empty());
        EXPECT_EQ(run.transcript.front(), "title\tShellDemo") << desktop;
        EXPECT_EQ(readFile(dir.path() / "shutdown.txt"), "shutdown\n") << desktop;
    }
}

TEST(ShellDemo, AFailingWindowedDisplayShowsTheLibrarysErrorAndReturnsOne) {
    testsupport::TempDir dir;
    copyPictures(dir);
    auto run =
        testsupport::runHeadless(kProgram, dir.str(), "wait 5\n", {"--fail", "display"}, dir.str());
    EXPECT_EQ(run.exitStatus, 1);
    int boxes = 0;
    for (const auto& line : run.transcript) boxes += line.rfind("messagebox\t", 0) == 0;
    EXPECT_EQ(boxes, 1);
}

}  // namespace
