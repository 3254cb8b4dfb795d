#include "games/tintaro/wheel_screen.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/nav_input.h"
#include "games/tintaro/wheel_game.h"
#include "games/tintaro/wheel_solver.h"
#include "qv/qv.h"
#include "shell/keyboard_queue.h"
#include "shell/shell_state.h"
#include "shell/timer_service.h"
#include "sound/sound_effect_registry.h"

WheelScreen wheelScreen;

namespace {

struct Placed {
    const char* name;
    const char* file;
    int x, y;
};

// The ten buttons in the order they are created: commands, then arms.
const Placed kButtons[] = {
    {"newgame", "newgame.bmp", 584, 525},
    {"menu", "menu.bmp", 514, 525},
    {"help", "help.bmp", 654, 525},
    {"exit", "exit.bmp", 724, 525},
    {"hint", "hint.bmp", 444, 525},
    {"bluetop", "bluetop.bmp", 272, 161},
    {"bluebottom", "bluebottom.bmp", 255, 205},
    {"magentaleft", "magentaleft.bmp", 339, 372},
    {"magentaright", "magentaright.bmp", 397, 372},
    {"yellowtop", "yellowtop.bmp", 469, 167},
    {"yellowbottom", "yellowbottom.bmp", 489, 209},
};
constexpr int kCommandButtons = 5;

// The letter keys' scan codes: H hint, N new game, M menu; and how long a hint shows its
// arm unless a click comes first.
constexpr int kHintKey = 35;
constexpr int kNewGameKey = 49;
constexpr int kMenuKey = 50;
constexpr int kHintMs = 2000;
// The lit arm pulses: a quarter second lit, a quarter second not.
constexpr int kHintPulseMs = 250;

constexpr int kChipOffsetX = 3, kChipOffsetY = 22;
constexpr RECT kPanel{9, 21, 9 + 130, 21 + 430};
constexpr RECT kNumbers{658, 20, 658 + 116, 20 + 248};
constexpr int kCongratsX = 159, kCongratsY = 73, kCongratsW = 472, kCongratsH = 442;

// Panel columns: x and strip frame of rings 0, 1 and 2.
constexpr int kColumnX[3] = {23, 57, 91};
constexpr int kColumnFrame[3] = {0, 2, 1};

int chipFrame(char letter) {
    static const char kOrder[] = "MCYRGB";
    const char* at = letter != '\0' ? std::strchr(kOrder, letter) : nullptr;
    return at != nullptr ? static_cast<int>(at - kOrder) : -1;
}

void click() {
    soundRegistry.playSound("click", 65535, 0);
}

Sprite* loadedStrip(const char* file, int count) {
    Sprite* sprite = new Sprite;
    sprite->loadStrip(file, count, 0);
    return sprite;
}

}  // namespace

WheelScreen::WheelScreen()
    : chipStrip(nullptr),
      blockStrip(nullptr),
      dotStrip(nullptr),
      digitStrip(nullptr),
      helpPage(nullptr) {
    setName("Tintaro");
    workingImage = nullptr;
}

WheelScreen::~WheelScreen() {
    WheelScreen::leave();
}

void WheelScreen::enter(IDirectDraw* dd, IDirectDrawSurface* back) {
    Screen::enter(dd, back);
    workingImage = addImage("background.bmp");
    setWorkingBackground(workingImage ? workingImage->getSurface() : nullptr);
    pristineImage = addImage("background.bmp");
    setPristineBackground(pristineImage ? pristineImage->getSurface() : nullptr);
    dirtyRects.refreshAll();

    for (int i = 0; i < static_cast<int>(sizeof kButtons / sizeof kButtons[0]); ++i) {
        const Placed& p = kButtons[i];
        Button* button = new Button(p.x, p.y);
        button->loadStrip(p.file, 2, 0);
        button->setName(p.name);
        if (i >= kCommandButtons) button->setPixelHitTest(1);
        addButton(button);
    }

    blockStrip = loadedStrip("panelblocks.bmp", 3);
    chipStrip = loadedStrip("chips.bmp", 6);
    dotStrip = loadedStrip("paneldots.bmp", 3);
    digitStrip = loadedStrip("scorefont.bmp", 10);

    stopCountdown();
    addImage("congrats.bmp");
    soundRegistry.addSound(".\\sounds\\Click.wav", "click");
    soundRegistry.addSound(".\\sounds\\Bell.wav", "bell");

    // Keys and pads walk the six arms and the commands; the blue ring's upper arm has the focus.
    focus.clear();
    for (int i = kCommandButtons; i < static_cast<int>(sizeof kButtons / sizeof kButtons[0]); ++i)
        focus.addButton(buttonList->find(kButtons[i].name));
    for (int i = 0; i < kCommandButtons; ++i) focus.addButton(buttonList->find(kButtons[i].name));
    focus.focusButton("bluetop");

    wheelGame.view = this;
    entered = true;
    wheelGame.newGame();
}

void WheelScreen::leave() {
    // Only a screen that entered detaches from the game and hands its backgrounds back:
    // leaving again at the end of the process must not touch the game or the restoration
    // lists, which may already be gone.
    if (entered) {
        if (wheelGame.view == this) wheelGame.view = nullptr;
        dirtyRects.setWorkingBackground(nullptr);
        dirtyRects.setPristineBackground(nullptr);
        entered = false;
    }
    Screen::leave();
    workingImage = pristineImage = nullptr;
    delete blockStrip;
    delete chipStrip;
    delete dotStrip;
    delete digitStrip;
    blockStrip = chipStrip = dotStrip = digitStrip = nullptr;
}

int WheelScreen::handleMessage(HWND, UINT message, WPARAM, LPARAM) {
    // Every way of closing the window (its close button, Alt+F4, Esc, a logout's signal)
    // saves the game as Exit does; Exit and Menu end the program without this message.
    if (message == WM_CLOSE && entered && !saved) {
        saved = true;
        wheelGame.saveGame();
    }
    return 1;
}

void WheelScreen::takeKeys() {
    for (int event = popKeyEvent(); event != 0; event = popKeyEvent()) {
        // The letters press their commands, as the pad's B, Y and Start do.
        const NavEvent e = takeNavEvent(event);
        if (event == kHintKey || e.action == NavAction::Hint)
            hintRequested = true;
        else if (event == kNewGameKey)
            FocusRing::click(buttonList, "newgame");
        else if (event == kMenuKey)
            FocusRing::click(buttonList, "menu");
        else if (e.action == NavAction::Back)
            FocusRing::click(buttonList, "exit");
        else if (e.action == NavAction::Start)
            FocusRing::click(buttonList, "help");
        else
            focus.take(e, buttonList);
    }
}

int WheelScreen::update(int) {
    int x = 0, y = 0, buttons = 0;
    mouseCursor.getState(&x, &y, &buttons, nullptr, nullptr);
    pointerForButtons(&x, &y);
    buttonList->handleMouse(x, y, buttons);
    takeKeys();
    buttonList->redrawAll();
    if (wheelGame.step() == 7) return 7;
    if (buttonList->wasClicked("help")) {
        click();
        if (!showHelp(wheelGame)) return 7;
        // Keys pressed while the page was open ask for nothing.
        clearKeyEvents();
        hintRequested = false;
    }
    return present() ? 1 : 0;
}

int WheelScreen::present() {
    if (buttonList) buttonList->redrawAll();
    focus.draw(::backBuffer, nullptr, true);
    lastFps = QVGetFPS();
    return Screen::present();
}

bool WheelScreen::menuProgram(char (&path)[256]) const {
    if (commandLine == nullptr || commandLine[0] == '\0') return false;
    // A folder too long for the path is refused rather than cut to a wrong program.
    const int n = std::snprintf(path, sizeof path, "%s\\Gatefold.exe", commandLine);
    return n >= 0 && n < static_cast<int>(sizeof path);
}

int WheelScreen::step(WheelGame& game) {
    using namespace tintaro;
    if (buttonList->wasClicked("exit")) {
        click();
        saved = true;
        game.saveGame();
        return 7;
    }
    if (buttonList->wasClicked("newgame")) {
        click();
        game.submitScore();
        if (game.moveLog) game.moveLog->clear();
        game.saveMoves("moves.dat");
        game.newGame();
        dirtyRects.refreshAll();
        endHintLook();
    }
    if (buttonList->wasClicked("menu")) {
        click();
        char menu[256];
        if (menuProgram(menu)) {
            // Saved before the menu starts, so that its hall of fame shows this game's score.
            game.saveGame();
            const auto started = reinterpret_cast<std::intptr_t>(
                ShellExecuteA(nullptr, "open", menu, "Tintaro", commandLine, SW_SHOWNORMAL));
            if (started > 32) {
                saved = true;
                return 7;
            }
            // Without the menu the player would be left with nothing: the game stays.
            const std::string text = std::string("The menu could not be started from ") +
                                     commandLine + ". The game goes on.";
            MessageBoxA(mainWindow, text.c_str(), "Tintaro", MB_ICONERROR);
        }
    }
    const bool hintAsked = buttonList->wasClicked("hint") || hintRequested;
    hintRequested = false;
    pulseHint();
    switch (game.getState()) {
        case kStatePlaying:
            if (hintAsked) showHint(game);
            for (const Arm& arm : arms) {
                if (!buttonList->wasClicked(arm.name)) continue;
                click();
                game.rotateRing(arm.ring, arm.direction);
                game.recordMove(arm.ring, arm.direction);
                endHintLook();
                game.followHint(arm.ring, arm.direction);
            }
            game.evaluateBoard(1);
            // The solving move shows the congratulation over the board it completed.
            if (game.getState() == kStateSolved)
                drawSolved(game);
            else
                drawAll(game);
            break;
        case kStateStarting:
            game.setState(kStatePlaying);
            break;
        case kStateSolved:
            endHintLook();
            if (game.moveLog) game.moveLog->plan = HintPlan{};
            setArmsEnabled(0);
            // A game resumed in the solved state has not been drawn yet.
            if (game.dirty != 0) drawSolved(game);
            break;
        default:
            break;
    }
    return 5;
}

void WheelScreen::drawBoard(WheelGame& game) {
    if (game.dirty == 0 || !chipStrip) return;
    IDirectDrawSurface* working = dirtyRects.getWorkingBackground();
    for (int cell = 0; cell < tintaro::kCells; ++cell) {
        const int frame = chipFrame(game.cells[cell]);
        if (frame >= 0) chipStrip->setFrameRaw(frame);
        chipStrip->setPosition(tintaro::cellPositions[cell].x - kChipOffsetX,
                               tintaro::cellPositions[cell].y - kChipOffsetY);
        chipStrip->drawTo(working);
    }
}

void WheelScreen::drawPanel(WheelGame& game) {
    if (game.dirty == 0) return;
    dirtyRects.restoreNow(kPanel.left, kPanel.top, kPanel.right - kPanel.left,
                          kPanel.bottom - kPanel.top);
    if (!blockStrip || !dotStrip) return;
    IDirectDrawSurface* working = dirtyRects.getWorkingBackground();
    for (int ring = 0; ring < tintaro::kRings; ++ring) {
        blockStrip->setFrameRaw(kColumnFrame[ring]);
        dotStrip->setFrameRaw(kColumnFrame[ring]);
        int y = 407;
        for (int i = 0; i < game.bestCount(ring); ++i, y -= 34) {
            Sprite* mark = i < game.currentCount(ring) ? blockStrip : dotStrip;
            mark->setPosition(kColumnX[ring], y);
            mark->drawTo(working);
        }
    }
}

void WheelScreen::drawNumbers(WheelGame& game) {
    if (game.dirty == 0) return;
    // Erased first, so that a number shorter than the one before leaves no old digits.
    dirtyRects.restoreNow(kNumbers.left, kNumbers.top, kNumbers.right - kNumbers.left,
                          kNumbers.bottom - kNumbers.top);
    IDirectDrawSurface* working = dirtyRects.getWorkingBackground();
    const struct {
        int value, right, top;
    } numbers[] = {{game.highScores.topScore(), 765, 34},
                   {game.getScore(), 765, 103},
                   {game.bonus, 755, 173},
                   {game.moves, 755, 243}};
    for (const auto& n : numbers) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", n.value);
        drawNumber(digitStrip, n.right, n.top, text, working);
    }
}

void WheelScreen::drawNumber(Sprite* strip, int right, int top, const char* text,
                             IDirectDrawSurface* surface) {
    if (!strip || !text || strip->frameCount() == 0) return;
    // The width of one digit: the strip's whole width (a sprite's width) over ten digits.
    const int w = strip->width / 10;
    int x = right - w * static_cast<int>(std::strlen(text));
    for (const char* c = text; *c; ++c, x += w) {
        if (*c < '0' || *c > '9') continue;
        strip->setFrameRaw(*c - '0');
        strip->setPosition(x, top);
        strip->drawTo(surface);
    }
}

void WheelScreen::setArmsEnabled(int on) {
    if (!buttonList) return;
    for (const tintaro::Arm& arm : tintaro::arms)
        if (Button* button = buttonList->find(arm.name)) button->setEnabled(on);
}

void WheelScreen::showCongratulation() {
    Image* congrats = images && images->getCount() > 2 ? images->at<Image>(2) : nullptr;
    IDirectDrawSurface* working = dirtyRects.getWorkingBackground();
    if (!congrats || !working) return;
    congrats->drawAt(working, kCongratsX, kCongratsY);
    dirtyRects.queueRect(kCongratsX, kCongratsY, kCongratsW, kCongratsH, DIRTY_ONESHOT,
                         DIRTY_RESTORE);
}

bool WheelScreen::showHelp(WheelGame& game) {
    helpPage = new DialogScreen;
    helpPage->createLists();
    helpPage->setOwnBackground(0);
    helpPage->addImageFile(pictureForDevice("title\\HowToPlay.bmp").c_str(), "rules");
    helpPage->setPosition(53, 20);
    helpPage->addDefaultButton();
    char result[256] = {};
    const int closed = helpPage->run(result, "rules");
    delete helpPage;
    helpPage = nullptr;
    if (!closed) return false;
    dirtyRects.refreshAll();
    game.dirty = 1;
    // A solved game does not step its drawing again: bring its board back now.
    if (game.getState() == tintaro::kStateSolved) drawSolved(game);
    return true;
}

void WheelScreen::drawAll(WheelGame& game) {
    drawBoard(game);
    drawPanel(game);
    drawNumbers(game);
    game.dirty = 0;
}

void WheelScreen::drawSolved(WheelGame& game) {
    game.dirty = 1;
    drawAll(game);
    showCongratulation();
}

void WheelScreen::showHint(WheelGame& game) {
    endHintLook();
    const MoveRecord* next = game.hintClick();
    if (next == nullptr) return;
    for (const tintaro::Arm& arm : tintaro::arms) {
        if (arm.ring != next->ring || (arm.direction != 0) != (next->direction != 0)) continue;
        hintArm = buttonList ? buttonList->find(arm.name) : nullptr;
        break;
    }
    if (hintArm == nullptr) return;
    // The arm shows its highlighted look, whether or not the pointer is on it, and takes the
    // focus: Enter or the pad's A follows the hint.
    hintArm->setFrameOffset(1);
    focus.focusButton(hintArm->name);
    hintStart = getTimerClockMs();
}

void WheelScreen::pulseHint() {
    if (hintArm == nullptr) return;
    const int elapsed = getTimerClockMs() - hintStart;
    if (elapsed > kHintMs) {
        endHintLook();
        return;
    }
    const int lit = (elapsed / kHintPulseMs) % 2 == 0 ? 1 : 0;
    if (hintArm->frameOffset != lit) hintArm->setFrameOffset(lit);
    // The next change by itself: the pulse's next step, or its end.
    const int nextStep = (elapsed / kHintPulseMs + 1) * kHintPulseMs;
    frameDueAtClock(hintStart + (nextStep <= kHintMs ? nextStep : kHintMs + 1));
}

void WheelScreen::endHintLook() {
    if (hintArm != nullptr) hintArm->setFrameOffset(0);
    hintArm = nullptr;
}
