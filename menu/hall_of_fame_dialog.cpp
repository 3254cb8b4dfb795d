#include "menu/hall_of_fame_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/dirty_rect_manager.h"
#include "menu/publisher_site.h"
#include "platform/win32.h"
#include "profile/save_report.h"

namespace {

constexpr const char* kScorePath = "/cgi-bin/hiscore.cgi?";
constexpr int kRowsPerColumn = 10;
constexpr int kFirstRowY = 275;
constexpr int kRowStep = 26;
constexpr int kNameX[2] = {56, 387};
constexpr int kScoreX[2] = {256, 587};
// Space kept clear between the end of a name and its score.
constexpr int kColumnGap = 10;

bool needsEscape(unsigned char c) {
    switch (c) {
        case 0x20:
        case 0x22:
        case 0x23:
        case 0x25:
        case 0x3B:
        case 0x3C:
        case 0x3E:
        case 0x3F:
        case 0x5B:
        case 0x5C:
        case 0x5D:
        case 0x5E:
        case 0x7B:
        case 0x7C:
        case 0x7D:
        case 0x7E:
            return true;
        default:
            return false;
    }
}

BitmapFont* loadHallFont(const char* file) {
    BitmapFont* font = new BitmapFont;
    font->load(file);
    font->setLetterSpacing(1);
    return font;
}

}  // namespace

HallOfFameDialog::HallOfFameDialog()
    : blackFont(nullptr), purpleFont(nullptr), table(nullptr), gameName{}, uploadAddress{} {}

HallOfFameDialog::~HallOfFameDialog() {
    freeOwned();
}

void HallOfFameDialog::freeOwned() {
    delete table;
    delete blackFont;
    delete purpleFont;
    table = nullptr;
    blackFont = nullptr;
    purpleFont = nullptr;
}

void HallOfFameDialog::setGame(const GameEntry* game) {
    setGameName(game ? game->name : nullptr);
}

void HallOfFameDialog::setGameName(const char* text) {
    std::snprintf(gameName, sizeof gameName, "%s", text ? text : "");
}

void HallOfFameDialog::createLists() {
    Screen::createLists();
    freeOwned();
    blackFont = loadHallFont("..\\HallBlackFont.bmp");
    purpleFont = loadHallFont("..\\HallPurpleFont.bmp");
    addImageFile("..\\HallOfFameScreen.bmp", nullptr);

    struct Placement {
        const char* name;
        int x, y;
        const char* file;
    };
    static const Placement kButtons[] = {{"upload", 552, 88, "..\\UploadButton.bmp"},
                                         {"clear", 552, 149, "..\\ClearScores.bmp"},
                                         {"back", 595, 220, "..\\backbutton.bmp"}};
    for (const Placement& place : kButtons) {
        Button* button = new Button(place.x, place.y);
        button->setName(place.name);
        button->loadStrip(place.file, 2, 0);
        addButton(button);
    }
    // Without its picture Back is nowhere to be seen: a click anywhere but on Upload and
    // Clear leaves the page instead, never the Clear that empties the table.
    answerAnywhereWithoutPicture("back");
    addDefaultButton();

    table = new ScoreTable;
    table->resize(ScoreTable::kRows);
    table->readFile("hiscore.dat");
}

void HallOfFameDialog::leave() {
    Screen::leave();
    freeOwned();
}

char* HallOfFameDialog::urlEncode(const char* in, char* out) {
    static const char kHex[] = "0123456789abcdef";
    char* w = out;
    for (const char* p = in; p && *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (needsEscape(c)) {
            *w++ = '%';
            *w++ = kHex[c >> 4];
            *w++ = kHex[c & 0xF];
        } else {
            *w++ = static_cast<char>(c);
        }
    }
    *w = '\0';
    return out;
}

int HallOfFameDialog::buildUploadAddress(char* out, std::size_t size) const {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    std::string game = gameName;
    if (game.empty()) {
        char folder[MAX_PATH] = {};
        const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
        if (length == 0 || length >= sizeof folder) return 0;
        game = folder;
        const std::size_t cut = game.find_last_of("/\\");
        if (cut != std::string::npos) game.erase(0, cut + 1);
    }
    const bool hasRow = table && table->entries && table->count > 0;
    char name[ScoreTable::kNameLength + 1] = {};
    int score = 0;
    if (hasRow) {
        std::memcpy(name, table->entries[0].name, ScoreTable::kNameLength);
        score = table->entries[0].score;
    }
    char query[512];
    std::snprintf(query, sizeof query, "game=%s&name=%s&score=%d", game.c_str(), name,
                  score ^ kScoreMask);
    char encoded[sizeof query * 3 + 1];
    urlEncode(query, encoded);
    const int n = std::snprintf(out, size, "%s%s%s", publisherSite(), kScorePath, encoded);
    if (n < 0 || static_cast<std::size_t>(n) >= size) {
        // Refused rather than cut: a shortened query would send a wrong score or name.
        out[0] = '\0';
        return 0;
    }
    return 1;
}

void HallOfFameDialog::uploadBest() {
    if (!buildUploadAddress(uploadAddress, sizeof uploadAddress)) return;
    ShellExecuteA(nullptr, "open", uploadAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

void HallOfFameDialog::drawTable(IDirectDrawSurface* target) const {
    if (!target || !table || !table->entries) return;
    for (int column = 0; column < 2; ++column) {
        for (int row = 0; row < kRowsPerColumn; ++row) {
            const int index = column * kRowsPerColumn + row;
            if (index >= table->count) return;
            const ScoreEntry& entry = table->entries[index];
            if (entry.name[0] == '\0') continue;
            char namePart[kNamePartSize];
            std::size_t n = 0;
            while (n < sizeof namePart - 1 && n < sizeof entry.name && entry.name[n] != '\0' &&
                   entry.name[n] != ':') {
                namePart[n] = entry.name[n];
                ++n;
            }
            namePart[n] = '\0';
            char scoreText[16];
            std::snprintf(scoreText, sizeof scoreText, "%d", entry.score);
            const BitmapFont* font = row % 2 == 0 ? purpleFont : blackFont;
            if (!font) continue;
            const int y = kFirstRowY + kRowStep * row;
            // A name stops before its column ends, so that the score beside it stays readable.
            font->drawText(target, namePart, kNameX[column], y, 0, kScoreX[column] - kColumnGap);
            font->drawText(target, scoreText, kScoreX[column], y, 0, -1);
        }
    }
}

int HallOfFameDialog::checkClose() {
    if (buttonList) {
        if (buttonList->wasClicked("upload")) uploadBest();
        if (buttonList->wasClicked("clear")) {
            if (table) {
                table->resize(ScoreTable::kRows);
                if (table->writeFile("hiscore.dat") != 1)
                    reportFailedSave("The hall of fame", "hiscore.dat");
            }
            close("clear");
        }
        if (buttonList->wasClicked("back")) close("back");
    }
    drawTable(dirtyRects.getWorkingBackground());
    return 1;
}
