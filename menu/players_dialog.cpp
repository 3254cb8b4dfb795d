#include "menu/players_dialog.h"

#include <cstdio>
#include <cstring>

#include "framework/nav_input.h"
#include "qv/qv.h"
#include "shell/keyboard_queue.h"

std::int32_t PlayersDialog::previousButtons = -1;

namespace {

// Page x 13: the texts start inside their boxes, clear of the page's edge at screen x 53.
constexpr int kFieldX = 66;
constexpr int kFieldY[PlayersDialog::kFields] = {270, 336, 404};
constexpr int kFieldWidth = 580;
constexpr int kFieldHeight = 26;
constexpr int kFieldCapacity = 64;
// The boxes as the page draws them around the fields, for the focus.
constexpr int kBoxX = 59, kBoxWidth = 596, kBoxHeight = 30;
// The on-screen keyboard's place: the band the pad's page keeps free for it.
constexpr int kKeyboardX = 53 + 85, kKeyboardY = 18 + 64;

BitmapFont* loadFont(const char* file, int spacing) {
    BitmapFont* font = new BitmapFont;
    font->load(file);
    font->setLetterSpacing(spacing);
    return font;
}

void copyText(char* to, std::size_t size, const char* from) {
    std::snprintf(to, size, "%s", from ? from : "");
}

}  // namespace

PlayersDialog::PlayersDialog(PlayerRoster* r)
    : nFont(nullptr),
      hFont(nullptr),
      fields{},
      profile(nullptr),
      sendChoice(1),
      roster(r),
      keyboard(nullptr) {}

PlayersDialog::~PlayersDialog() {
    freeOwned();
}

void PlayersDialog::freeOwned() {
    // No field is left to type into.
    QVSetTextInput(0);
    delete keyboard;
    keyboard = nullptr;
    for (TextField*& field : fields) {
        delete field;
        field = nullptr;
    }
    delete nFont;
    delete hFont;
    nFont = nullptr;
    hFont = nullptr;
}

void PlayersDialog::createLists() {
    Screen::createLists();
    freeOwned();
    nFont = loadFont("..\\n_font.bmp", 1);
    hFont = loadFont("..\\h_font.bmp", 3);
    addImageFile("..\\PlayerInfoPad.bmp", "pad");
    addImageFile("..\\PlayerInfo.bmp", "keys");

    struct Placement {
        const char* name;
        int x, y;
        const char* file;
    };
    // "BackButton.bmp" comes from the current folder, the selected game's.
    static const Placement kButtons[] = {{"enter", 474, 471, "..\\EnterButton.bmp"},
                                         {"remove", 360, 471, "..\\RemoveButton.bmp"},
                                         {"back", 608, 489, "BackButton.bmp"},
                                         {"yesno", 37, 486, "..\\yesno.bmp"}};
    for (const Placement& place : kButtons) {
        Button* button = new Button(place.x, place.y);
        button->setName(place.name);
        button->loadStrip(place.file, 2, 0);
        if (std::strcmp(place.name, "yesno") == 0) {
            button->setSingleImage(1);
            button->setMarkDirty(1);
        }
        addButton(button);
    }

    for (int i = 0; i < kFields; ++i) {
        TextField* field = new TextField;
        field->setCapacity(kFieldCapacity);
        field->addFont(hFont);
        field->addFont(nFont);
        field->setCaret("..\\blockcursor.bmp");
        field->setFocus(0);
        // The boxes are screen positions: the origin stays (0, 0) whatever the page's
        // provisional (centred) position is before the opener places it.
        field->setOrigin(0, 0);
        field->setSelectionMode(0);
        field->setBox(kFieldX, kFieldY[i], kFieldWidth, kFieldHeight);
        fields[i] = field;
    }
    fields[0]->setFocus(1);
    sendChoice = 1;

    keyboard = new ScreenKeyboard;
    keyboard->load("..\\KeyCap.bmp", "..\\KeyCapWide.bmp");
    keyboard->place(kKeyboardX, kKeyboardY);
    buildFocus();
}

void PlayersDialog::buildFocus() {
    focus.clear();
    for (int i = 0; i < kFields; ++i)
        focus.addBox(i, kBoxX, kFieldY[i] - 2, kBoxWidth, kBoxHeight);
    static const char* const kNotChoices[] = {"default", nullptr};
    focus.addButtons(buttonList, kNotChoices);
    focus.focusBox(0);
}

int PlayersDialog::focusedField() const {
    const int box = focus.focusedBox();
    return box >= 0 && box < kFields ? box : -1;
}

void PlayersDialog::focusField(int i) {
    if (i < 0 || i >= kFields) return;
    focus.focusBox(i);
    followFocus();
}

void PlayersDialog::followFocus() {
    const int on = focusedField();
    for (int i = 0; i < kFields; ++i)
        if (fields[i] && (fields[i]->focused != 0) != (i == on)) fields[i]->setFocus(i == on ? 1 : 0);
    QVSetTextInput(on >= 0 ? 1 : 0);
}

bool PlayersDialog::keyboardUp() const {
    return keyboard && inputDevice() == InputDevice::Pad && focusedField() >= 0;
}

void PlayersDialog::showPageForDevice() {
    Image* pad = findDialogImage("pad");
    const bool usePad = inputDevice() == InputDevice::Pad && pad && pad->getSurface();
    Image* wanted = usePad ? pad : findDialogImage("keys");
    if (wanted && wanted != currentImage) selectImage(usePad ? "pad" : "keys");
}

void PlayersDialog::typeFromKeyboard(int result) {
    const int i = focusedField();
    if (i < 0) return;
    if (result > 0) {
        fields[i]->takeKey(kCharEvent | result);
    } else if (result == ScreenKeyboard::kDelete) {
        fields[i]->backspace();
    } else if (result == ScreenKeyboard::kDone) {
        // The next field; after the last, Save.
        if (i + 1 < kFields)
            focusField(i + 1);
        else if (focus.focusButton("enter"))
            followFocus();
    } else if (result == ScreenKeyboard::kSave) {
        FocusRing::click(buttonList, "enter");
    }
}

void PlayersDialog::takeKey(int event) {
    if (!fields[0] || !buttonList) return;
    const int field = focusedField();
    if (event & kCharEvent) {
        if (field >= 0) fields[field]->takeKey(event);
        return;
    }
    const NavEvent e = takeNavEvent(event);
    if (keyboardUp()) {
        typeFromKeyboard(keyboard->take(e));
        return;
    }
    if (field >= 0 && e.device == InputDevice::Keys) {
        const int key = event & 0x1FF;
        // Space and the letters type as text; Left and Right have nowhere to go in a line.
        if (key == 57 || e.action == NavAction::Left || e.action == NavAction::Right) return;
        if (key == TextField::kTabKey || key == (TextField::kTabKey | 0x100)) {
            focusField((field + (key == TextField::kTabKey ? 1 : kFields - 1)) % kFields);
            return;
        }
        if (e.action == NavAction::Press) {  // Enter: the next field; in the last, Save
            if (field + 1 < kFields)
                focusField(field + 1);
            else
                FocusRing::click(buttonList, "enter");
            return;
        }
        if (e.action == NavAction::None) {
            fields[field]->takeKey(event);  // Backspace
            return;
        }
    }
    if (e.action == NavAction::Back) {
        pressBack();
        return;
    }
    if (e.action == NavAction::Start) {
        FocusRing::click(buttonList, "enter");
        return;
    }
    focus.take(e, buttonList);
    followFocus();
}

void PlayersDialog::leave() {
    Screen::leave();
    freeOwned();
}

void PlayersDialog::setProfile(PlayerProfile* p) {
    profile = p;
    if (!p) return;
    if (fields[0]) {
        fields[0]->setText(p->name);
        fields[1]->setText(p->address);
        fields[2]->setText(p->email);
    }
    Button* yesno = buttonList ? buttonList->find("yesno") : nullptr;
    if (!yesno) return;
    if (p->send[0] == 'N') {
        yesno->swapImages();
        sendChoice = 0;
    } else {
        sendChoice = 1;
    }
}

int PlayersDialog::handleInput(int x, int y, int buttons) {
    if (!fields[0] || !buttonList) return 1;
    showPageForDevice();
    if (buttons != previousButtons && (buttons & 1)) {
        int clicked = -1;
        for (int i = 0; i < kFields; ++i)
            if (fields[i]->hitTest(x, y)) clicked = i;
        // A click beside the fields gives the name field the focus.
        focusField(clicked >= 0 ? clicked : 0);
    }
    previousButtons = buttons;
    followFocus();

    if (buttonList->wasClicked("back")) close("back");
    if (buttonList->wasClicked("remove")) {
        if (roster) roster->resetProfile(roster->currentId);
        close("remove");
    }
    if (buttonList->wasClicked("enter")) {
        if (profile) {
            copyText(profile->name, sizeof profile->name, fields[0]->getText());
            copyText(profile->address, sizeof profile->address, fields[1]->getText());
            copyText(profile->email, sizeof profile->email, fields[2]->getText());
            if (buttonList->find("yesno"))
                copyText(profile->send, sizeof profile->send, sendChoice == 1 ? "Y" : "N");
        }
        close("play");
    }
    if (buttonList->wasClicked("yesno")) {
        if (Button* yesno = buttonList->find("yesno")) yesno->swapImages();
        sendChoice = 1 - sendChoice;
    }
    return 1;
}

void PlayersDialog::drawOverPage(IDirectDrawSurface* target) {
    // The page is blitted whole every frame, which clears the boxes for the next texts; a
    // restore from the page picture would land off by the page's position.
    for (TextField* field : fields)
        if (field) field->draw(target);
    if (keyboardUp()) {
        const RECT page{left, top, right, bottom};
        keyboard->draw(target, nFont, hFont, &page);
    }
}
