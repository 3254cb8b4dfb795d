// Tintaro's game screen opened in process for the frame benchmarks: the program's
// description for the shell and the screen, entered and settled once.
#pragma once

#include "bench/frame_bench.h"
#include "framework/screen_manager.h"
#include "games/tintaro/wheel_game.h"
#include "games/tintaro/wheel_screen.h"
#include "qv/qv.h"

const Program& shellProgram() {
    static const Program program{"Tintaro", "Tintaro", false,   false,
                                 true,      nullptr,   nullptr, nullptr};
    return program;
}

namespace framebench {

// The game screen after `settleFrames` frames (messages pumped between them), or null when
// the display cannot be opened.
inline Screen* tintaroScreen(int settleFrames) {
    static Screen* screen = nullptr;
    if (screen || !openDisplay(STUDIO_TINTARO_DIR)) return screen;
    screenManager.setDisplay(directDraw, backBuffer);
    screenManager.addScreen(&wheelScreen);
    screenManager.selectScreen("Tintaro");
    mouseCursor.setPosition(780, 590);
    for (int i = 0; i < settleFrames; ++i) {
        QVFrameDueIn(0);  // in a real window, still frames would otherwise rest
        pumpMessages();
        screenManager.updateFrame(1);
    }
    return screen = &wheelScreen;
}

}  // namespace framebench
