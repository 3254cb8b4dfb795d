#include "menu/hall_of_fame_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/dirty_rect_manager.h"
#include "menu/publisher_site.h"
#include "platform/win32/win32.h"
#include "profile/save_report.h"
#include "profile/score_moves.h"

namespace {

constexpr const char* kScorePath = "/cgi-bin/hiscore.cgi?";
constexpr const char* kScoreMovesFile = "hiscore.moves";
constexpr int kRowsPerColumn = 10;
constexpr int kFirstRowY = 275;
constexpr int kRowStep = 26;
constexpr int kNameX[2] = {56, 387};
constexpr int kScoreX[2] = {256, 587};
// Space kept clear between the end of a name and its score.
constexpr int kColumnGap = 10;

// The bytes a query value may hold as they are; every other one goes as %XX, so that no
// name can add or change a parameter.
bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string encoded(const std::string& value) {
    std::string out(value.size() * 3 + 1, '\0');
    out.resize(std::strlen(HallOfFameDialog::urlEncode(value.c_str(), out.data())));
    return out;
}

// The entry text as uploaded. The game writes "name:address:email:send", send "Y" or "N"
// last. Address and e-mail go only when send is "Y"; otherwise the same four-field shape
// goes with them empty, "name:::N", so that the server splits every entry alike.
std::string uploadedEntry(const char* text) {
    const std::string entry(text, strnlen(text, ScoreTable::kNameLength));
    if (entry.empty()) return entry;
    const std::size_t last = entry.rfind(':');
    const bool fourFields = std::count(entry.begin(), entry.end(), ':') >= 3;
    if (fourFields && entry.compare(last + 1, std::string::npos, "Y") == 0) return entry;
    return entry.substr(0, entry.find(':')) + ":::N";
}

BitmapFont* loadHallFont(const char* file) {
    BitmapFont* font = new BitmapFont;
    font->load(file);
    font->setLetterSpacing(1);
    return font;
}

}  // namespace

HallOfFameDialog::HallOfFameDialog()
    : blackFont(nullptr), purpleFont(nullptr), table(nullptr), gameName{} {}

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
    static const char kHex[] = "0123456789ABCDEF";
    char* w = out;
    for (const char* p = in; p && *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (unreserved(c)) {
            *w++ = static_cast<char>(c);
        } else {
            *w++ = '%';
            *w++ = kHex[c >> 4];
            *w++ = kHex[c & 0xF];
        }
    }
    *w = '\0';
    return out;
}

std::string HallOfFameDialog::buildUploadAddress() const {
    std::string game = gameName;
    if (game.empty()) {
        char folder[MAX_PATH] = {};
        const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
        if (length == 0 || length >= sizeof folder) return {};
        game = folder;
        const std::size_t cut = game.find_last_of("/\\");
        if (cut != std::string::npos) game.erase(0, cut + 1);
    }
    const bool hasRow = table && table->entries && table->count > 0;
    const char* name = hasRow ? table->entries[0].name : "";
    const int score = hasRow ? table->entries[0].score : 0;
    std::string address = std::string(publisherSite()) + kScorePath + "game=" + encoded(game) +
                          "&name=" + encoded(uploadedEntry(name)) +
                          "&score=" + std::to_string(score ^ kScoreMask);
    // The moves go only with the row the game kept them for: same text, same score.
    ScoreMoves moves;
    moves.readFile(kScoreMovesFile);
    const ScoreMovesRow* played = hasRow && name[0] != '\0' ? moves.find(name, score) : nullptr;
    if (played) {
        address += "&moves=";
        for (const std::uint8_t code : played->moves) address += static_cast<char>('0' + code);
    }
    return address;
}

void HallOfFameDialog::uploadBest() {
    uploadAddress = buildUploadAddress();
    if (uploadAddress.empty()) return;
    ShellExecuteA(nullptr, "open", uploadAddress.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
