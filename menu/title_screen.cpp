#include "menu/title_screen.h"

#include <cstdio>
#include <cstring>

#include "framework/dialog_screen.h"
#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/nav_input.h"
#include "framework/screen_manager.h"
#include "framework/surface_utils.h"
#include "menu/bitmap_font.h"
#include "menu/hall_of_fame_dialog.h"
#include "menu/players_dialog.h"
#include "menu/text_field.h"
#include "profile/player_roster.h"
#include "profile/save_report.h"
#include "shell/keyboard_queue.h"
#include "shell/shell_state.h"

TitleScreen titleScreen;

namespace {

struct Placed {
    const char* name;
    const char* file;
    int x, y;
};
const Placed kButtons[] = {
    {"HowToPlay", "HowToPlayButton.bmp", 52, 296},
    {"Play", "PlayButton.bmp", 636, 296},
    {"HighScores", "HighScoresButton.bmp", 52, 365},
    {"Menu", "MenuButton.bmp", 636, 365},
    {"Credits", "CreditsButton.bmp", 52, 435},
    {"Exit", "ExitButton.bmp", 636, 435},
    {"Players", "PlayersButton.bmp", 280, 318},
    {"SFX", "sfx.bmp", 52, 505},
    {"Music", "music.bmp", 106, 505},
};

const int kFieldBoxes[TitleScreen::kPlayers][2] = {{239, 378}, {408, 378}, {238, 420}, {408, 420},
                                                   {238, 464}, {408, 464}, {238, 510}, {408, 510}};
constexpr int kFieldWidth = 150, kFieldHeight = 30;

const char* kOptions = "..\\options.ini";

// The roster the title screen and the players page share.
PlayerRoster roster;

}  // namespace

TitleScreen::TitleScreen()
    : selectedGame(nullptr),
      normalFont(nullptr),
      selectedFont(nullptr),
      nameFields{},
      currentPlayer(0),
      sfxOn(1),
      musicOn(1) {
    setName("title");
}

TitleScreen::~TitleScreen() {
    TitleScreen::leave();
}

void TitleScreen::enter(IDirectDraw* dd, IDirectDrawSurface* back) {
    if (selectedGame) SetCurrentDirectoryA(selectedGame->folder);
    SetCurrentDirectoryA(".\\title");
    Screen::enter(dd, back);
    workingImage = addImage("titlebackground.bmp");
    pristineImage = addImage("titlebackground.bmp");
    // A background that cannot be loaded leaves none: never the last screen's.
    setWorkingBackground(workingImage ? workingImage->getSurface() : nullptr);
    setPristineBackground(pristineImage ? pristineImage->getSurface() : nullptr);
    dirtyRects.refreshAll();
    SetCurrentDirectoryA("..");

    for (const Placed& p : kButtons) {
        Button* button = new Button(p.x, p.y);
        button->setName(p.name);
        button->loadStrip(p.file, 2, 0);
        const bool isSfx = std::strcmp(p.name, "SFX") == 0;
        if (isSfx || std::strcmp(p.name, "Music") == 0) {
            button->setSingleImage(1);
            char answer[10] = {};
            GetPrivateProfileStringA("setup", p.name, "Y", answer, sizeof answer, kOptions);
            int& on = isSfx ? sfxOn : musicOn;
            on = answer[0] == 'N' ? 0 : 1;
            if (!on) button->swapImages();
        }
        addButton(button);
    }

    normalFont = new BitmapFont;
    normalFont->load("n_font.bmp");
    selectedFont = new BitmapFont;
    selectedFont->load("h_font.bmp");
    for (int i = 0; i < kPlayers; ++i) {
        TextField* field = new TextField;
        field->setCapacity(64);
        field->addFont(normalFont);
        field->addFont(selectedFont);
        field->setCaret("blockcursor.bmp");
        field->setOrigin(0, 0);
        field->setFocus(0);
        field->setEditable(0);
        field->setBox(kFieldBoxes[i][0], kFieldBoxes[i][1], kFieldWidth, kFieldHeight);
        nameFields[i] = field;
    }

    roster.setPath(kOptions);
    currentPlayer = roster.readCurrentId();
    for (int i = 0; i < kPlayers; ++i) {
        roster.readProfile(i);
        nameFields[i]->setText(roster.profiles[i].name);
    }
    for (ShownName& shown : shownNames) shown = ShownName{};
    previousButtons = -1;

    // Keys and pads walk the buttons and the eight names (boxes as the artwork draws them);
    // Play has the focus.
    focus.clear();
    focus.addButtons(buttonList);
    for (int i = 0; i < kPlayers; ++i)
        focus.addBox(i, kFieldBoxes[i][0] - 5, kFieldBoxes[i][1], kFieldWidth + 5, kFieldHeight);
    focus.focusButton("Play");
}

void TitleScreen::leave() {
    Screen::leave();
    for (TextField*& field : nameFields) {
        delete field;
        field = nullptr;
    }
    delete normalFont;
    delete selectedFont;
    normalFont = selectedFont = nullptr;
}

void TitleScreen::toggle(const char* buttonName, const char* key, int& on) {
    if (!buttonList->wasClicked(buttonName)) return;
    if (Button* button = buttonList->find(buttonName)) button->swapImages();
    on = 1 - on;
    if (!WritePrivateProfileStringA("setup", key, on ? "Y" : "N", kOptions))
        reportFailedSave("Your settings", kOptions);
}

bool TitleScreen::showPage(const char* file) {
    DialogScreen* page = new DialogScreen;
    page->createLists();
    page->addImageFile(pictureForDevice(file).c_str(), nullptr);
    page->addDefaultButton();
    page->setPosition(53, 18);
    char result[256] = {};
    // Quitting while the page is shown ends the menu; the page is freed either way.
    const int closed = page->run(result, nullptr);
    delete page;
    if (!closed) return false;
    dirtyRects.refreshAll();
    return true;
}

bool TitleScreen::showHallOfFame() {
    HallOfFameDialog* hall = new HallOfFameDialog;
    hall->setGame(selectedGame);
    hall->createLists();
    hall->setPosition(53, 18);
    char result[256] = {};
    const int closed = hall->run(result, nullptr);
    delete hall;
    if (!closed) return false;
    dirtyRects.refreshAll();
    return true;
}

bool TitleScreen::showPlayers() {
    roster.setPath(kOptions);
    PlayersDialog* players = new PlayersDialog(&roster);
    players->createLists();
    players->setPosition(53, 18);
    players->setProfile(&roster.profiles[roster.currentId]);
    char result[256] = {};
    const int closed = players->run(result, nullptr);
    delete players;
    if (!closed) return false;
    // Only Save writes, and only the player it edited: the file may hold another copy's
    // changes to the others, which the names then show.
    if (std::strcmp(result, "play") == 0)
        roster.writeProfile(roster.currentId,
                            reinterpret_cast<const char*>(&roster.profiles[roster.currentId]));
    for (int i = 0; i < kPlayers; ++i) {
        roster.readProfile(i);
        nameFields[i]->setText(roster.profiles[i].name);
    }
    dirtyRects.refreshAll();
    return true;
}

bool TitleScreen::startGame() {
    SetCurrentDirectoryA("..");
    char menuFolder[256] = {};
    // A menu folder that does not fit is refused: the game would get a cut path to return to.
    const DWORD length = GetCurrentDirectoryA(sizeof menuFolder, menuFolder);
    if (length == 0 || length >= sizeof menuFolder) {
        if (selectedGame) SetCurrentDirectoryA(selectedGame->folder);
        return false;
    }
    if (selectedGame)
        ShellExecuteA(nullptr, "open", selectedGame->program, menuFolder, selectedGame->folder,
                      SW_SHOWNORMAL);
    return true;
}

void TitleScreen::selectAt(int x, int y) {
    for (int i = 0; i < kPlayers; ++i) {
        nameFields[i]->click(x, y);
        if (nameFields[i]->selected) {
            currentPlayer = i;
            roster.writeCurrentId(i);
        }
    }
}

void TitleScreen::takeKeys() {
    for (int event = popKeyEvent(); event != 0; event = popKeyEvent()) {
        const NavEvent e = takeNavEvent(event);
        // The pad's B goes back to the game list, as Menu does.
        if (e.action == NavAction::Back) {
            FocusRing::click(buttonList, "Menu");
            continue;
        }
        const int name = focus.take(e, buttonList) == FocusRing::Taken::BoxPressed
                             ? focus.focusedBox()
                             : -1;
        // A name pressed is chosen as a click on it chooses it.
        if (name >= 0 && name < kPlayers)
            selectAt(kFieldBoxes[name][0] + kFieldWidth / 2, kFieldBoxes[name][1] + kFieldHeight / 2);
    }
}

int TitleScreen::update(int) {
    int x = 0, y = 0, buttons = 0;
    mouseCursor.getState(&x, &y, &buttons, nullptr, nullptr);
    pointerForButtons(&x, &y);
    buttonList->handleMouse(x, y, buttons);
    takeKeys();
    buttonList->redrawAll();

    if (buttons != previousButtons && (buttons & 1)) selectAt(x, y);
    previousButtons = buttons;
    for (int i = 0; i < kPlayers; ++i) drawName(i);
    nameFields[currentPlayer >= 0 && currentPlayer < kPlayers ? currentPlayer : 0]->setSelected(1);

    toggle("SFX", "SFX", sfxOn);
    toggle("Music", "Music", musicOn);
    if (buttonList->wasClicked("Credits") && !showPage(".\\title\\Credits.bmp")) return 7;
    if (buttonList->wasClicked("HowToPlay") && !showPage(".\\title\\HowToPlay.bmp")) return 7;
    if (buttonList->wasClicked("HighScores") && !showHallOfFame()) return 7;
    if (buttonList->wasClicked("Players") && !showPlayers()) return 7;
    if (buttonList->wasClicked("Play") && startGame()) return 7;
    if (buttonList->wasClicked("Menu")) {
        SetCurrentDirectoryA("..");
        screenManager.selectScreen("Gatefold");
        return 1;
    }
    if (buttonList->wasClicked("Exit")) return 7;
    return present() ? 1 : 0;
}

// The box is restored one frame after it is queued, as any queued box is, but by this screen:
// when the restore falls due and the box already holds the same name in the same font over
// the restored background, restoring and drawing would put back just what is there, so the
// restore is left out (and the drawing repeats the picture already in place).
void TitleScreen::drawName(int i) {
    TextField* field = nameFields[i];
    ShownName& shown = shownNames[i];
    const bool restore = dirtyRects.takeDue(field->x, field->y, field->width, field->height);
    // A field that can show its blinking caret never looks the same for sure.
    const bool same = shown.overBackground && !(field->editable && field->focused) &&
                      shown.selected == field->selected && shown.text == field->getText();
    if (restore && !same)
        blitRegion(dirtyRects.getWorkingBackground(), field->x, field->y, field->width,
                   field->height, ::backBuffer, field->x, field->y);
    field->draw(::backBuffer);
    shown.text.assign(field->getText());  // in the string's own room: no allocation a frame
    shown.selected = field->selected;
    shown.overBackground = restore;
    dirtyRects.queueRect(field->x, field->y, field->width, field->height, DIRTY_ONESHOT,
                         DIRTY_RESTORE | DIRTY_OWNER);
}

int TitleScreen::present() {
    if (buttonList) buttonList->redrawAll();
    focus.draw(::backBuffer, nullptr, true);
    return Screen::present();
}
