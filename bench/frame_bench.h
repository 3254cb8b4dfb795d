// Shared set-up of the frame benchmarks: the program window and headless display opened in
// process as WinMain opens them, and a frame's cost reported beside a full 800 x 600 repaint
// (the working background copied to the back buffer, then presented) measured in the same
// run, as "ratio_to_full_repaint".
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/screen.h"
#include "framework/screen_manager.h"
#include "framework/surface_utils.h"
#include "qv/qv.h"
#include "shell/app_shell.h"
#include "shell/main_window.h"
#include "shell/shell_state.h"

namespace framebench {

using Clock = std::chrono::steady_clock;

// Enters `folder` and opens the window and display once; false when that fails.
inline bool openDisplay(const char* folder) {
    static int opened = -1;
    if (opened >= 0) return opened == 1;
    opened = 0;
    if (chdir(folder) != 0) {
        std::fprintf(stderr, "cannot enter %s\n", folder);
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
    opened = 1;
    return true;
}

// A full repaint: the working background copied to the back buffer, then presented by
// `screen`. A pixel of the back buffer is filled first, because a copy that repeats the
// last one onto a buffer not drawn on since is skipped, and the repaint would cost nothing.
inline void fullRepaint(Screen* screen) {
    RECT corner{0, 0, 1, 1};
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    backBuffer->Blt(&corner, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    blitAt(dirtyRects.getWorkingBackground(), backBuffer, 0, 0);
    screen->present();
}

// Nanoseconds for a full repaint presented by `screen`, the best of a few timed batches.
inline double fullRepaintNs(Screen* screen) {
    double best = 1e30;
    for (int trial = 0; trial < 5; ++trial) {
        int n = 0;
        const auto start = Clock::now();
        auto now = start;
        do {
            fullRepaint(screen);
            ++n;
            now = Clock::now();
        } while (now - start < std::chrono::milliseconds(20));
        best = std::min(best, std::chrono::duration<double, std::nano>(now - start).count() / n);
    }
    return best;
}

// Runs body once per iteration and reports its time beside the full repaint's.
template <class Body>
void measure(benchmark::State& state, Screen* screen, Body body) {
    if (!screen) {
        state.SkipWithError("no display");
        return;
    }
    const double reference = fullRepaintNs(screen);
    const auto start = Clock::now();
    for (auto _ : state) body();
    const double ns =
        std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["full_repaint_ns"] = reference;
    state.counters["ratio_to_full_repaint"] = ns / reference;
}

}  // namespace framebench

// The benchmarks' main: the screens are left before the process ends, as the shutdown
// sequence leaves them, so that no screen outlives what it uses.
#define FRAME_BENCH_MAIN()                                        \
    int main(int argc, char** argv) {                             \
        benchmark::Initialize(&argc, argv);                       \
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) { \
            return 1;                                             \
        }                                                         \
        benchmark::RunSpecifiedBenchmarks();                      \
        benchmark::Shutdown();                                    \
        screenManager.leaveAllScreens();                          \
        return 0;                                                 \
    }
