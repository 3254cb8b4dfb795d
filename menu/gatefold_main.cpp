// Gatefold on the shell: the game list first, then the title screens; a command line names
// the game to reopen (the game hands back to the menu with its own name). The window is
// topmost on an 800 x 600 desktop.
#include "framework/screen_manager.h"
#include "menu/game_list_screen.h"
#include "menu/publisher_site.h"
#include "menu/title_screen.h"
#include "shell/app_shell.h"

namespace {

void registerScreens() {
    loadPublisherSite();
    screenManager.addScreen(&gameListScreen);
    screenManager.addScreen(&titleScreen);
}

void openGame(const char* text) {
    gameListScreen.openGameByProgram(text);
}

const Program kGatefold{"Nimbletree Gatefold", "Gatefold", true,   false, false,
                        &registerScreens,      &openGame,  nullptr};

}  // namespace

const Program& shellProgram() {
    return kGatefold;
}
