#include "menu/players_dialog.h"

#include <cstdio>
#include <cstring>

std::int32_t PlayersDialog::previousButtons = -1;

namespace {

// Page x 13: the texts start inside their boxes, clear of the page's edge at screen x 53.
constexpr int kFieldX = 66;
constexpr int kFieldY[PlayersDialog::kFields] = {270, 336, 404};
constexpr int kFieldWidth = 580;
constexpr int kFieldHeight = 26;
constexpr int kFieldCapacity = 64;

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
    : nFont(nullptr), hFont(nullptr), fields{}, profile(nullptr), sendChoice(1), roster(r) {}

PlayersDialog::~PlayersDialog() {
    freeOwned();
}

void PlayersDialog::freeOwned() {
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
    addImageFile("..\\PlayerInfo.bmp", nullptr);

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
    if (buttons != previousButtons && (buttons & 1)) {
        bool anyFocused = false;
        for (TextField* field : fields) anyFocused = field->click(x, y) != 0 || anyFocused;
        if (!anyFocused) fields[0]->setFocus(1);
    }
    previousButtons = buttons;

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

    for (int i = 0; i < kFields; ++i) {
        const int key = fields[i]->processKeys() & 0xFF;
        if (key == TextField::kTabKey || key == TextField::kEnterKey) {
            // Gaining the focus empties the key queue: keys after Tab or Enter are dropped.
            fields[i]->setFocus(0);
            fields[(i + 1) % kFields]->setFocus(1);
        }
    }
    return 1;
}

void PlayersDialog::drawOverPage(IDirectDrawSurface* target) {
    // The page is blitted whole every frame, which clears the boxes for the next texts; a
    // restore from the page picture would land off by the page's position.
    for (TextField* field : fields)
        if (field) field->draw(target);
}
