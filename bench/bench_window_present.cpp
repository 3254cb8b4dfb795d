// Presenting Tintaro's game screen in a real window (the sdl backend; needs an X display):
// the whole process's CPU time per frame, turning a ring every frame, and a frame that shows
// nothing new. The
// window opens as the user's remembered window says (scripts/bench runs this at 1 x, at the
// default size and full screen, and with each renderer, in the same run). The wall time per
// frame includes the pacing to the display's refresh.
#include <SDL.h>

#include <string>

#include "bench/tintaro_bench.h"
#include "qv/qv.h"

namespace {

Screen* gameScreen() {
    return framebench::tintaroScreen(30);
}

// "W x H in window|full screen, RENDERER" of the program's window.
std::string windowLabel() {
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; id < 64 && !window; ++id) window = SDL_GetWindowFromID(id);
    if (!window) return "no window";
    int w = 0, h = 0;
    SDL_RendererInfo info{};
    SDL_Renderer* renderer = SDL_GetRenderer(window);
    if (renderer) {
        SDL_GetRendererOutputSize(renderer, &w, &h);
        SDL_GetRendererInfo(renderer, &info);
    }
    const bool full = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
    return std::to_string(w) + "x" + std::to_string(h) + (full ? " full screen " : " window ") +
           (info.name ? info.name : "?");
}

void BM_PresentTurningARing(benchmark::State& state) {
    if (!gameScreen()) {
        state.SkipWithError("no window (is DISPLAY set?)");
        return;
    }
    int frame = 0;
    for (auto _ : state) {
        // Back and forth, so that the board stays near its start.
        wheelGame.rotateRing(frame % 3, (frame / 3) & 1);
        ++frame;
        QVFrameDueIn(0);  // as an animation asks for its next step
        pumpMessages();
        screenManager.updateFrame(1);
    }
    state.SetLabel(windowLabel());
}
BENCHMARK(BM_PresentTurningARing)->MeasureProcessCPUTime()->UseRealTime();

void BM_PresentAtRest(benchmark::State& state) {
    if (!gameScreen()) {
        state.SkipWithError("no window (is DISPLAY set?)");
        return;
    }
    for (auto _ : state) {
        // A frame is asked for each time, as while the F1 reading shows: otherwise, with
        // nothing changing, the program would rest and present no frames at all.
        QVFrameDueIn(0);
        pumpMessages();
        screenManager.updateFrame(1);
    }
    state.SetLabel(windowLabel());
}
BENCHMARK(BM_PresentAtRest)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

FRAME_BENCH_MAIN()
