// The cost of one frame of each of the menu's pages, in process on the headless display: the
// game list and a title screen at rest, and a frame of the hall of fame and of the players
// page as their modal loops run it.
#include "bench/frame_bench.h"
#include "framework/screen_manager.h"
#include "menu/game_list_screen.h"
#include "menu/hall_of_fame_dialog.h"
#include "menu/players_dialog.h"
#include "menu/title_screen.h"
#include "profile/player_roster.h"

const Program& shellProgram() {
    static const Program program{
        "Nimbletree Gatefold", "Gatefold", true, false, false, nullptr, nullptr, nullptr};
    return program;
}

namespace {

// The menu folder with the list entered; null when the display cannot be opened.
Screen* list() {
    static bool entered = false;
    if (!entered) {
        if (!framebench::openDisplay(STUDIO_MENU_DIR)) return nullptr;
        screenManager.setDisplay(directDraw, backBuffer);
        screenManager.addScreen(&gameListScreen);
        screenManager.addScreen(&titleScreen);
        entered = true;
    }
    if (screenManager.current != &gameListScreen) {
        if (screenManager.current == &titleScreen) SetCurrentDirectoryA("..");
        screenManager.selectScreen("Gatefold");
    }
    mouseCursor.setPosition(790, 590);
    for (int i = 0; i < 4; ++i) screenManager.updateFrame(1);
    return &gameListScreen;
}

Screen* title() {
    if (!list() || gameListScreen.gameCount == 0) return nullptr;
    if (screenManager.current != &titleScreen) gameListScreen.openGameByProgram("Tintaro");
    mouseCursor.setPosition(790, 590);
    for (int i = 0; i < 4; ++i) screenManager.updateFrame(1);
    return &titleScreen;
}

// One frame as DialogScreen::run runs it, without the message pump.
void dialogFrame(DialogScreen* dialog) {
    int x = 0, y = 0, buttons = 0;
    mouseCursor.getState(&x, &y, &buttons, nullptr, nullptr);
    dialog->handleInput(x, y, buttons);
    if (dialog->currentImage) dialog->currentImage->drawAt(backBuffer, dialog->left, dialog->top);
    dialog->buttonList->handleMouse(x, y, buttons);
    dialog->buttonList->redrawAll();
    dialog->present();
}

void BM_GameListAtRest(benchmark::State& state) {
    framebench::measure(state, list(), [] { screenManager.updateFrame(1); });
}
BENCHMARK(BM_GameListAtRest);

void BM_TitleScreenAtRest(benchmark::State& state) {
    framebench::measure(state, title(), [] { screenManager.updateFrame(1); });
}
BENCHMARK(BM_TitleScreenAtRest);

void BM_HallOfFameFrame(benchmark::State& state) {
    Screen* screen = title();
    HallOfFameDialog* hall = nullptr;
    if (screen) {
        hall = new HallOfFameDialog;
        hall->setGame(titleScreen.selectedGame);
        hall->createLists();
        hall->setPosition(53, 18);
        hall->selectImage(nullptr);
        // The page is the working background while it runs.
        dirtyRects.setWorkingBackground(hall->currentImage->getSurface());
    }
    framebench::measure(state, hall, [hall] { dialogFrame(hall); });
    delete hall;
    if (screen) dirtyRects.setWorkingBackground(titleScreen.workingImage->getSurface());
}
BENCHMARK(BM_HallOfFameFrame);

void BM_PlayersPageFrame(benchmark::State& state) {
    static PlayerRoster roster;
    Screen* screen = title();
    PlayersDialog* players = nullptr;
    if (screen) {
        roster.setPath("..\\options.ini");
        players = new PlayersDialog(&roster);
        players->createLists();
        players->setPosition(53, 18);
        players->setProfile(&roster.profiles[0]);
        players->selectImage(nullptr);
        dirtyRects.setWorkingBackground(players->currentImage->getSurface());
    }
    framebench::measure(state, players, [players] { dialogFrame(players); });
    delete players;
    if (screen) dirtyRects.setWorkingBackground(titleScreen.workingImage->getSurface());
}
BENCHMARK(BM_PlayersPageFrame);

}  // namespace

FRAME_BENCH_MAIN()
