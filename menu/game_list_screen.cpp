#include "menu/game_list_screen.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/dialog_screen.h"
#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/nav_input.h"
#include "framework/screen_manager.h"
#include "menu/publisher_site.h"
#include "menu/title_screen.h"
#include "qv/qv.h"
#include "shell/keyboard_queue.h"
#include "shell/shell_state.h"
#include "shell/timer_service.h"

GameListScreen gameListScreen;

namespace {

struct Placed {
    const char* name;
    const char* file;
    int x, y;
};
const Placed kControls[] = {
    {"left", "PageArrowsLeft.bmp", 638, 19},
    {"right", "PageArrowsRight.bmp", 739, 19},
    {"help", "Info.bmp", 637, 89},
    {"exit", "SmallExit.bmp", 718, 89},
};

void slotPosition(int slot, int* x, int* y) {
    const int i = slot - 1;
    *x = GameListScreen::kSlotX[i % 3];
    *y = GameListScreen::kSlotY[i / 3];
}

void slotName(int slot, char* out, size_t size) {
    std::snprintf(out, size, "button%d", slot);
}

}  // namespace

GameListScreen::GameListScreen()
    : pageDigits(nullptr), collectSprite(nullptr), page(0), gameCount(0), games(nullptr) {
    setName("Gatefold");
}

GameListScreen::~GameListScreen() {
    GameListScreen::leave();
    freeGames();
}

void GameListScreen::freeGames() {
    if (!games) return;
    for (int i = 0; i < games->getCount(); ++i) {
        GameEntry* entry = games->at<GameEntry>(i);
        delete entry->button;
        delete entry;
    }
    delete games;
    games = nullptr;
}

void GameListScreen::enter(IDirectDraw* dd, IDirectDrawSurface* back) {
    Screen::enter(dd, back);
    workingImage = addImage("background.bmp");
    pristineImage = addImage("background.bmp");
    // A background that cannot be loaded leaves none: never the last screen's.
    setWorkingBackground(workingImage ? workingImage->getSurface() : nullptr);
    setPristineBackground(pristineImage ? pristineImage->getSurface() : nullptr);
    dirtyRects.refreshAll();

    for (const Placed& c : kControls) {
        Button* button = new Button(c.x, c.y);
        button->loadStrip(c.file, 2, 0);
        button->setName(c.name);
        addButton(button);
    }
    for (int slot = 1; slot <= kSlots; ++slot) {
        int x = 0, y = 0;
        slotPosition(slot, &x, &y);
        Button* button = new Button(x, y);
        button->loadStrip("GameButton.bmp", 3, 0);
        char name[16];
        slotName(slot, name, sizeof name);
        button->setName(name);
        button->setEnabled(0);
        addButton(button);
    }

    stopCountdown();
    pageDigits = new Sprite;
    pageDigits->loadStrip("PageNumbers.bmp", 10, 0);
    page = 0;

    // A fresh scan on every entry, so that games added meanwhile appear. The title screen
    // has been left by now, so the previous list is no longer used and is freed.
    titleScreen.setGame(nullptr);
    freeGames();
    games = new PtrArray(1);
    scanGames();
    gameCount = games->getCount();

    int x = 0, y = 0;
    slotPosition(collectSlot(), &x, &y);
    collectSprite = new Sprite;
    collectSprite->addFrameFile("CollectButton.bmp");
    collectSprite->setPosition(x, y);
    enableSlotsOfPage();
    // Keys and pads walk the slots and the controls; the first game has the focus.
    focus.clear();
    focus.addButtons(buttonList);
    focus.focusButton("button1");
}

void GameListScreen::leave() {
    Screen::leave();
    delete pageDigits;
    delete collectSprite;
    pageDigits = collectSprite = nullptr;
}

int GameListScreen::handleMessage(HWND, UINT, WPARAM, LPARAM) {
    return 1;
}

void GameListScreen::scanGames() {
    char here[256] = {};
    // A folder that does not fit is refused (an empty list), never scanned cut short.
    const DWORD length = GetCurrentDirectoryA(sizeof here, here);
    if (length == 0 || length >= sizeof here) return;
    char pattern[300];
    std::snprintf(pattern, sizeof pattern, "%s\\*", here);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (data.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY || data.cFileName[0] == '.') continue;
        char picture[600];
        std::snprintf(picture, sizeof picture, "%s\\%s\\GatefoldButton.bmp", here, data.cFileName);
        HANDLE file = CreateFileA(picture, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        // A folder whose path or program name would not fit is not listed rather than cut.
        const std::string name = data.cFileName;
        const std::string folder = std::string(here) + "\\" + name;
        const std::string program = name + ".exe";
        CloseHandle(file);
        if (folder.size() >= sizeof(GameEntry::folder) ||
            program.size() >= sizeof(GameEntry::program))
            continue;
        GameEntry* entry = new GameEntry{};
        std::memcpy(entry->folder, folder.c_str(), folder.size() + 1);
        std::memcpy(entry->program, program.c_str(), program.size() + 1);
        std::memcpy(entry->name, name.c_str(), name.size() + 1);
        entry->button = new Sprite;
        entry->button->addFrameFile(picture);
        games->add(entry);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void GameListScreen::enableSlotsOfPage() {
    if (!buttonList) return;
    const int first = page * kSlots;
    for (int slot = 1; slot <= kSlots; ++slot) {
        char name[16];
        slotName(slot, name, sizeof name);
        Button* button = buttonList->find(name);
        if (!button) continue;
        const int g = first + slot - 1;
        // A game's slot, or the collect slot right after the last game.
        button->setEnabled(g <= gameCount ? 1 : 0);
    }
}

void GameListScreen::takeKeys() {
    for (int event = popKeyEvent(); event != 0; event = popKeyEvent()) {
        const NavEvent e = takeNavEvent(event);
        // Page Up and Page Down (the shoulder buttons) press the arrows.
        if (e.action == NavAction::PageUp)
            FocusRing::click(buttonList, "left");
        else if (e.action == NavAction::PageDown)
            FocusRing::click(buttonList, "right");
        else
            focus.take(e, buttonList);
    }
}

int GameListScreen::update(int) {
    int x = 0, y = 0, buttons = 0;
    mouseCursor.getState(&x, &y, &buttons, nullptr, nullptr);
    pointerForButtons(&x, &y);
    buttonList->handleMouse(x, y, buttons);
    takeKeys();
    buttonList->redrawAll();

    if (buttonList->wasClicked("exit")) return 7;
    if (buttonList->wasClicked("help")) {
        DialogScreen* info = new DialogScreen;
        info->createLists();
        info->addImageFile("infoscreen.bmp", nullptr);
        // The back button sits at a screen position: the page's origin is taken back out of
        // where it is drawn and where it answers alike.
        Button* back = new Button(689 - info->originX, 370 - info->originY);
        back->loadStrip("backbutton.bmp", 2, 0);
        back->setName("back");
        info->addButton(back);
        info->answerAnywhereWithoutPicture("back");
        char result[256] = {};
        // Quitting while the page is shown ends the menu; the page is freed either way.
        const int closed = info->run(result, nullptr);
        delete info;
        if (!closed) return 7;
        dirtyRects.refreshAll();
    }
    if (buttonList->wasClicked("left")) {
        if (page > 0) --page;
        enableSlotsOfPage();
        dirtyRects.refreshAll();
    }
    if (buttonList->wasClicked("right")) {
        if (gameCount >= (page + 1) * kSlots) ++page;
        enableSlotsOfPage();
        dirtyRects.refreshAll();
    }
    for (int slot = 1; slot <= kSlots; ++slot) {
        char name[16];
        slotName(slot, name, sizeof name);
        if (!buttonList->wasClicked(name)) continue;
        const int g = page * kSlots + slot - 1;
        if (g + 1 > gameCount) {
            ShellExecuteA(nullptr, "open", publisherSite(), nullptr, nullptr, SW_SHOWNORMAL);
            return 7;
        }
        titleScreen.setGame(games->at<GameEntry>(g));
        screenManager.selectScreen("title");
        return 1;
    }
    return present() ? 1 : 0;
}

int GameListScreen::present() {
    IDirectDrawSurface* working = dirtyRects.getWorkingBackground();
    if (pageDigits && working) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", page + 1);
        const int w = pageDigits->width / 10;
        int x = 716 - w * static_cast<int>(std::strlen(text));
        for (const char* c = text; *c; ++c, x += w) {
            pageDigits->setFrameRaw(*c - '0');
            pageDigits->setPosition(x, 30);
            pageDigits->drawTo(working);
        }
    }
    for (int g = page * kSlots; g < page * kSlots + kSlots && g < gameCount; ++g) {
        const int slot = g - page * kSlots + 1;
        int x = 0, y = 0;
        slotPosition(slot, &x, &y);
        Sprite* picture = games->at<GameEntry>(g)->button;
        picture->setPosition(x, y);
        if (working) picture->drawTo(working);
    }
    if (collectSprite && working && page * kSlots <= gameCount &&
        gameCount < page * kSlots + kSlots)
        collectSprite->drawTo(working);
    if (buttonList) buttonList->redrawAll();
    focus.draw(::backBuffer, nullptr, true);
    lastFps = QVGetFPS();
    return Screen::present();
}

void GameListScreen::openGameByProgram(const char* text) {
    if (!text || !games) return;
    const size_t n = std::strlen(text);
    for (int i = 0; i < games->getCount(); ++i) {
        GameEntry* entry = games->at<GameEntry>(i);
        if (std::strncmp(entry->program, text, n) != 0) continue;
        titleScreen.setGame(entry);
        screenManager.selectScreen("title");
    }
}
