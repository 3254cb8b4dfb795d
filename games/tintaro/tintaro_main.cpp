// Tintaro on the shell: one screen, the command line kept as the menu's folder, the music
// and sound switches read at start, and the game state released at shutdown.
#include "framework/screen_manager.h"
#include "games/tintaro/wheel_game.h"
#include "games/tintaro/wheel_screen.h"
#include "shell/app_shell.h"

namespace {

void registerScreens() {
    screenManager.addScreen(&wheelScreen);
}

void releaseGame() {
    wheelGame.release();
}

const Program kTintaro{"Tintaro", "Tintaro",        false,   true,
                       true,      &registerScreens, nullptr, &releaseGame};

}  // namespace

const Program& shellProgram() {
    return kTintaro;
}
