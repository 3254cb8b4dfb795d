// The cost of one frame of Tintaro's game screen, in process on the headless display: at
// rest, and turning a ring every frame (evaluation and the board, panel and numbers redrawn).
#include "frame_bench.h"
#include "framework/screen_manager.h"
#include "games/tintaro/wheel_game.h"
#include "games/tintaro/wheel_screen.h"

const Program& shellProgram() {
    static const Program program{"Tintaro", "Tintaro", false,   false,
                                 true,      nullptr,   nullptr, nullptr};
    return program;
}

namespace {

Screen* gameScreen() {
    static Screen* screen = nullptr;
    if (screen || !framebench::openDisplay(STUDIO_TINTARO_DIR)) return screen;
    screenManager.setDisplay(directDraw, backBuffer);
    screenManager.addScreen(&wheelScreen);
    screenManager.selectScreen("Tintaro");
    mouseCursor.setPosition(780, 590);
    for (int i = 0; i < 4; ++i) screenManager.updateFrame(1);
    return screen = &wheelScreen;
}

void BM_FrameAtRest(benchmark::State& state) {
    framebench::measure(state, gameScreen(), [] { screenManager.updateFrame(1); });
}
BENCHMARK(BM_FrameAtRest);

void BM_FrameTurningARing(benchmark::State& state) {
    int frame = 0;
    framebench::measure(state, gameScreen(), [&frame] {
        // Back and forth, so that the board stays near its start.
        wheelGame.rotateRing(frame % 3, (frame / 3) & 1);
        ++frame;
        screenManager.updateFrame(1);
    });
}
BENCHMARK(BM_FrameTurningARing);

void BM_FullRepaint(benchmark::State& state) {
    Screen* screen = gameScreen();
    framebench::measure(state, screen, [screen] {
        blitAt(dirtyRects.getWorkingBackground(), backBuffer, 0, 0);
        screen->present();
    });
}
BENCHMARK(BM_FullRepaint);

}  // namespace

FRAME_BENCH_MAIN()
