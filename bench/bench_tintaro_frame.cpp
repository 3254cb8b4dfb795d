// The cost of one frame of Tintaro's game screen, in process on the headless display: at
// rest, and turning a ring every frame (evaluation and the board, panel and numbers redrawn),
// beside a full 800 x 600 repaint (the whole background copied to the back buffer, then
// presented) measured in the same run. Each reports "ratio_to_full_repaint".
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/screen_manager.h"
#include "framework/surface_utils.h"
#include "games/tintaro/wheel_game.h"
#include "games/tintaro/wheel_screen.h"
#include "qv/qv.h"
#include "shell/app_shell.h"
#include "shell/main_window.h"
#include "shell/shell_state.h"

const Program& shellProgram() {
    static const Program program{"Tintaro", "Tintaro", false,   false,
                                 true,      nullptr,   nullptr, nullptr};
    return program;
}

namespace {

using Clock = std::chrono::steady_clock;

Screen* screen = nullptr;

// Opens the window and display once and puts the test screen in front, as WinMain does.
bool setUp() {
    if (screen) return true;
    if (chdir(STUDIO_TINTARO_DIR) != 0) {
        std::fprintf(stderr, "cannot enter %s\n", STUDIO_TINTARO_DIR);
        return false;
    }
    setCurrentProgram(&shellProgram());
    if (!registerMainWindowClass(nullptr) || !createMainWindow(nullptr)) return false;
    if (!QVInitDirectX(mainWindow, clientWidth, clientHeight)) return false;
    QVSetViewport(0, 0, clientWidth, clientHeight);
    directDraw = QVGetLPDD();
    QVGetDDInfo(&frontBuffer, &backBuffer);
    mouseCursor.init(nullptr);
    mouseCursor.hide();
    screen = &wheelScreen;
    screenManager.setDisplay(directDraw, backBuffer);
    screenManager.addScreen(screen);
    screenManager.selectScreen("Tintaro");
    mouseCursor.setPosition(780, 590);
    for (int i = 0; i < 4; ++i) screenManager.updateFrame(1);
    return true;
}

// Nanoseconds for a full repaint: the whole working background to the back buffer, then
// the same present a frame of the screen ends with. Best of a few timed batches.
double fullRepaintNs() {
    IDirectDrawSurface* background = dirtyRects.getWorkingBackground();
    double best = 1e30;
    for (int trial = 0; trial < 5; ++trial) {
        int n = 0;
        const auto start = Clock::now();
        auto now = start;
        do {
            blitAt(background, backBuffer, 0, 0);
            screen->present();
            ++n;
            now = Clock::now();
        } while (now - start < std::chrono::milliseconds(20));
        best = std::min(best, std::chrono::duration<double, std::nano>(now - start).count() / n);
    }
    return best;
}

template <class Body>
void measure(benchmark::State& state, Body body) {
    if (!setUp()) {
        state.SkipWithError("no display");
        return;
    }
    const double reference = fullRepaintNs();
    const auto start = Clock::now();
    for (auto _ : state) body();
    const double ns =
        std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["full_repaint_ns"] = reference;
    state.counters["ratio_to_full_repaint"] = ns / reference;
}

void BM_FrameAtRest(benchmark::State& state) {
    measure(state, [] { screenManager.updateFrame(1); });
}
BENCHMARK(BM_FrameAtRest);

void BM_FrameTurningARing(benchmark::State& state) {
    int frame = 0;
    measure(state, [&frame] {
        // Back and forth, so that the board stays near its start.
        wheelGame.rotateRing(frame % 3, (frame / 3) & 1);
        ++frame;
        screenManager.updateFrame(1);
    });
}
BENCHMARK(BM_FrameTurningARing);

void BM_FullRepaint(benchmark::State& state) {
    measure(state, [] {
        blitAt(dirtyRects.getWorkingBackground(), backBuffer, 0, 0);
        screen->present();
    });
}
BENCHMARK(BM_FullRepaint);

}  // namespace

BENCHMARK_MAIN();
