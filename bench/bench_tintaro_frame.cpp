// The cost of one frame of Tintaro's game screen, in process on the headless display: at
// rest, and turning a ring every frame (evaluation and the board, panel and numbers redrawn).
#include "bench/tintaro_bench.h"

namespace {

Screen* gameScreen() {
    return framebench::tintaroScreen(4);
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
    framebench::measure(state, screen, [screen] { framebench::fullRepaint(screen); });
}
BENCHMARK(BM_FullRepaint);

}  // namespace

FRAME_BENCH_MAIN()
