// The cost of one frame of the shell's test screen, in process on the headless display: at
// rest, with one button changing state every frame, and with the sprite turning.
#include "bench/frame_bench.h"
#include "framework/screen_manager.h"
#include "shell/demo/demo_screen.h"

const Program& shellProgram() {
    static const Program program{"ShellDemo", "demo",  false,   false,
                                 false,       nullptr, nullptr, nullptr};
    return program;
}

namespace {

DemoScreen* demo() {
    static DemoScreen* screen = nullptr;
    if (screen || !framebench::openDisplay(STUDIO_SHELL_DEMO_DIR)) return screen;
    screen = new DemoScreen;
    screenManager.setDisplay(directDraw, backBuffer);
    screenManager.addScreen(screen);
    screenManager.selectScreen("demo");
    screen->setSpinning(false);
    mouseCursor.setPosition(700, 400);
    for (int i = 0; i < 4; ++i) screenManager.updateFrame(1);
    return screen;
}

void BM_FrameAtRest(benchmark::State& state) {
    framebench::measure(state, demo(), [] {
        mouseCursor.setPosition(700, 400);
        screenManager.updateFrame(1);
    });
}
BENCHMARK(BM_FrameAtRest);

void BM_FrameButtonChangingState(benchmark::State& state) {
    int frame = 0;
    framebench::measure(state, demo(), [&frame] {
        // In and out of button one: it changes between normal and highlighted every frame.
        if (++frame & 1)
            mouseCursor.setPosition(DemoScreen::kOneX + 20, DemoScreen::kOneY + 20);
        else
            mouseCursor.setPosition(700, 400);
        screenManager.updateFrame(1);
    });
}
BENCHMARK(BM_FrameButtonChangingState);

void BM_FrameSpinnerTurning(benchmark::State& state) {
    DemoScreen* screen = demo();
    if (screen) screen->setSpinning(true);
    framebench::measure(state, screen, [] {
        mouseCursor.setPosition(700, 400);
        screenManager.updateFrame(1);
    });
    if (screen) screen->setSpinning(false);
}
BENCHMARK(BM_FrameSpinnerTurning);

void BM_FullRepaint(benchmark::State& state) {
    DemoScreen* screen = demo();
    framebench::measure(state, screen, [screen] { framebench::fullRepaint(screen); });
}
BENCHMARK(BM_FullRepaint);

}  // namespace

FRAME_BENCH_MAIN()
