// The programs in a real window (Xvfb, started by ctest through xvfb-run), driven with the
// X server's own pointer (xdotool): at rest they present no frames, a click at rest is
// answered within a few frames, and what changes by itself keeps its time: the hint's pulse
// (a step every 250 ms for two seconds) and the caret's blink (every 500 ms).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

struct Frame {
    long long us;  // steady clock
    std::string picture;
};

long long nowUs() {
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A copy of the stage to play in, music off, with its own data folder remembering an
// 800 x 600 window at the screen's corner: picture and screen coordinates are the same.
class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !have("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
        fs::copy(STUDIO_STAGE_DIR, dir.path() / "menu", fs::copy_options::recursive);
        fs::remove_all(dir.path() / "menu" / "ShellDemo");
        for (const char* f : {"hiscore.dat", "moves.dat"})
            fs::remove(dir.path() / "menu/Tintaro" / f);
        dir.write("menu/options.ini", "[setup]\r\nmusic=N\r\n");
        dir.write("data/Gatefold/window.ini",
                  "[window]\nx=0\ny=0\nwidth=800\nheight=600\nfullscreen=0\n");
    }
    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
    }

    // Starts the frame-logging build of a program from its place in the copy (the programs
    // enter their own folder).
    void start(const char* build, const std::string& folder, const std::string& args) {
        const fs::path placed = dir.path() / folder / fs::path(build).filename();
        fs::copy_file(build, placed, fs::copy_options::overwrite_existing);
        const std::string program = placed.string();
        log = (dir.path() / "frames.log").string();
        pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::setenv("FRAME_LOG", log.c_str(), 1);
            ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
            if (::chdir((dir.path() / folder).c_str()) != 0) ::_exit(127);
            ::execl(program.c_str(), program.c_str(), args.empty() ? nullptr : args.c_str(),
                    nullptr);
            ::_exit(127);
        }
    }

    std::vector<Frame> frames() const {
        std::vector<Frame> out;
        std::ifstream in(log);
        Frame f;
        while (in >> f.us >> f.picture) out.push_back(f);
        return out;
    }

    // Waits until the program has presented frames after `since` and then none for `quietMs`.
    bool waitForRest(long long since = 0, int quietMs = 700, int timeoutMs = 20000) const {
        const long long give = nowUs() + timeoutMs * 1000LL;
        while (nowUs() < give) {
            std::this_thread::sleep_for(milliseconds(50));
            const auto f = frames();
            if (!f.empty() && f.back().us > since && nowUs() - f.back().us > quietMs * 1000LL)
                return true;
        }
        return false;
    }

    static void xdotool(const std::string& args) {
        ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args;
    }
    // The pointer moved or clicked, and the program at rest again after its answer: xdotool
    // may return before the program has drawn it.
    void xdotoolThenRest(const std::string& args) {
        const long long before = nowUs();
        xdotool(args);
        ASSERT_TRUE(waitForRest(before)) << "no rest after " << args;
    }

    // The frames presented after `since`, and the times at which the picture changed.
    static std::vector<long long> changesAfter(const std::vector<Frame>& all, long long since,
                                               long long until, int* presents) {
        std::vector<long long> changes;
        *presents = 0;
        for (size_t i = 1; i < all.size(); ++i) {
            if (all[i].us <= since || all[i].us > until) continue;
            ++*presents;
            if (all[i].picture != all[i - 1].picture) changes.push_back(all[i].us);
        }
        return changes;
    }

    // The steps between `changes` keep `period` microseconds: each within a quarter of it (a
    // frame late on a busy machine is not a fault), all of them within 3 % of it on average.
    static void expectSteps(const std::vector<long long>& changes, long long period,
                            const char* what) {
        ASSERT_GE(changes.size(), 2u) << what;
        for (size_t i = 1; i < changes.size(); ++i) {
            const long long step = changes[i] - changes[i - 1];
            EXPECT_GE(step, period - period / 4) << what << " step " << i;
            EXPECT_LE(step, period + period / 4) << what << " step " << i;
        }
        const long long mean =
            (changes.back() - changes.front()) / static_cast<long long>(changes.size() - 1);
        EXPECT_GE(mean, period - period * 3 / 100) << what << " steps on average";
        EXPECT_LE(mean, period + period * 3 / 100) << what << " steps on average";
    }

    testsupport::TempDir dir;
    std::string log;
    pid_t pid = -1;
};

TEST_F(RealWindow, AClickAtRestIsAnsweredAtOnceAndTheHintPulsesOnTime) {
    start(TINTARO_FRAMES, "menu/Tintaro", "");
    ASSERT_TRUE(waitForRest()) << "the game never came to rest";
    // At rest the game presents nothing: a second without a single frame.
    xdotoolThenRest("mousemove 477 545");  // onto the Hint button: its lit look, then rest
    const long long before = frames().back().us;
    std::this_thread::sleep_for(milliseconds(1000));
    EXPECT_EQ(frames().back().us, before) << "frames while nothing changes";

    const long long clicked = nowUs();
    xdotool("click 1");
    const long long delivered = nowUs();  // xdotool itself takes a while to start
    std::this_thread::sleep_for(milliseconds(3000));
    const auto all = frames();
    int presents = 0;
    const auto changes = changesAfter(all, clicked, clicked + 3'000'000, &presents);
    ASSERT_FALSE(changes.empty()) << "the click changed nothing";
    int framesToAnswer = 0;
    for (const Frame& f : all)
        if (f.us > clicked && f.us <= changes.front()) ++framesToAnswer;
    EXPECT_LE(framesToAnswer, 4) << "frames from the click to its answer";
    EXPECT_LE(changes.front() - delivered, 150'000) << "microseconds from the click to its answer";

    std::string seen;  // the changes, in ms after the click, for a failure's message
    for (long long c : changes) seen += " " + std::to_string((c - clicked) / 1000);
    SCOPED_TRACE("the picture changed at" + seen + " ms");
    // The pulse: lit from the answer on, unlit, lit ... eight steps 250 ms apart.
    ASSERT_GE(changes.size(), 8u);
    const std::vector<long long> pulse(changes.begin(), changes.begin() + 8);
    expectSteps(pulse, 250'000, "pulse");
    int pulsePresents = 0;
    changesAfter(all, pulse.front(), pulse.back(), &pulsePresents);
    // At the display's pace 1.75 s take about 105 frames; resting between the steps, a
    // handful follow each.
    EXPECT_LE(pulsePresents, 70) << "frames during the pulse";
    EXPECT_LE(presents, 110) << "frames in the three seconds after the click";
}

TEST_F(RealWindow, TheCaretBlinksOnTimeWhileTheMenuRests) {
    start(GATEFOLD_FRAMES, "menu", "Tintaro");
    ASSERT_TRUE(waitForRest()) << "the menu never came to rest";
    xdotoolThenRest("mousemove 74 180 click 1");  // the first game's title screen
    xdotool("mousemove 400 342 click 1");         // its Players: the page opens with the caret
    std::this_thread::sleep_for(milliseconds(1200));
    const long long from = nowUs();
    std::this_thread::sleep_for(milliseconds(3000));
    int presents = 0;
    const auto changes = changesAfter(frames(), from, from + 3'000'000, &presents);
    ASSERT_GE(changes.size(), 5u) << "the caret does not blink";
    expectSteps(changes, 500'000, "blink");
    // At the display's pace three seconds are 180 frames; a handful after each blink here.
    EXPECT_LE(presents, 60) << "frames in three seconds of blinking";
}

}  // namespace
