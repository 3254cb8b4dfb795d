// The generated menu pictures: every file each screen loads is written where it is
// loaded from, the fonts read back with all their glyphs, and the pictures fit the
// places the screens put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/surface_utils.h"
#include "menu/bitmap_font.h"
#include "qv/qv.h"
#include "tests/framework/framework_support.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

const std::string kArtgen = std::string(STUDIO_BINARY_DIR) + "/artwork/artgen";
const std::string kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Writes the stage's pictures and sounds into `stage`, and the desktop icons into
// `stage`/icons.
int runArtgen(const std::string& stage) {
    const std::string command =
        "'" + kArtgen + "' '" + stage + "' '" + kSoundFont + "' '" + stage + "/icons'";
    return std::system(command.c_str());
}

std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Size {
    int w = 0, h = 0;
};

struct Rect {
    int x, y, w, h;
    bool inside(const Rect& outer) const {
        return x >= outer.x && y >= outer.y && x + w <= outer.x + outer.w &&
               y + h <= outer.y + outer.h;
    }
    bool overlaps(const Rect& o) const {
        return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
    }
};

class MenuArtwork : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stage = new testsupport::TempDir;
        generated = runArtgen(stage->str()) == 0;
    }
    static void TearDownTestSuite() {
        delete stage;
        stage = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(generated) << "artgen failed or is not built: " << kArtgen;
    }

    static std::string menuFile(const std::string& name) { return stage->str() + "/" + name; }
    static std::string gameFile(const std::string& name) {
        return stage->str() + "/Tintaro/" + name;
    }
    static Size sizeOf(const std::string& path) {
        Size s;
        IDirectDrawSurface* surface = QVLoadBitmap(path.c_str());
        if (!surface) return s;
        getSurfaceSize(surface, &s.w, &s.h);
        surface->Release();
        return s;
    }
    // One image of an n-image strip laid side by side.
    static Size frameOf(const std::string& path, int images) {
        Size s = sizeOf(path);
        EXPECT_EQ(s.w % images, 0) << path << " does not split into " << images << " images";
        s.w /= images;
        return s;
    }
    static Rect placed(const std::string& path, int images, int x, int y) {
        const Size s = frameOf(path, images);
        return {x, y, s.w, s.h};
    }

    static testsupport::TempDir* stage;
    static bool generated;
};

testsupport::TempDir* MenuArtwork::stage = nullptr;
bool MenuArtwork::generated = false;

TEST_F(MenuArtwork, EveryPictureIsWhereItsScreenLoadsIt) {
    // The list, its information page, the hall of fame and the players page read these
    // from the menu folder (the hall and players page as "..\\" from the game folder).
    for (const char* name : {"background.bmp",  "PageArrowsLeft.bmp",   "PageArrowsRight.bmp",
                             "Info.bmp",        "SmallExit.bmp",        "GameButton.bmp",
                             "PageNumbers.bmp", "CollectButton.bmp",    "infoscreen.bmp",
                             "backbutton.bmp",  "HallOfFameScreen.bmp", "UploadButton.bmp",
                             "ClearScores.bmp", "HallBlackFont.bmp",    "HallPurpleFont.bmp",
                             "PlayerInfo.bmp",  "EnterButton.bmp",      "RemoveButton.bmp",
                             "yesno.bmp",       "n_font.bmp",           "h_font.bmp",
                             "blockcursor.bmp", "PlayerInfoPad.bmp",    "KeyCap.bmp",
                             "KeyCapWide.bmp"}) {
        EXPECT_GT(sizeOf(menuFile(name)).w, 0) << name;
    }
    // The title screen and the players page's back button read these from the game folder.
    for (const char* name :
         {"GatefoldButton.bmp", "title/titlebackground.bmp", "title/Credits.bmp",
          "title/HowToPlay.bmp", "title/HowToPlayPad.bmp", "HowToPlayButton.bmp", "PlayButton.bmp",
          "HighScoresButton.bmp", "MenuButton.bmp", "CreditsButton.bmp", "ExitButton.bmp",
          "PlayersButton.bmp", "sfx.bmp", "music.bmp", "n_font.bmp", "h_font.bmp",
          "blockcursor.bmp", "BackButton.bmp"}) {
        EXPECT_GT(sizeOf(gameFile(name)).w, 0) << name;
    }
    // Each folder holds one spelling of the back button, so the case-blind lookup of
    // the other spelling cannot pick a picture made for the other place.
    EXPECT_FALSE(std::filesystem::exists(menuFile("BackButton.bmp")));
    EXPECT_FALSE(std::filesystem::exists(gameFile("backbutton.bmp")));
}

TEST_F(MenuArtwork, SameBytesOnEveryRun) {
    testsupport::TempDir again;
    ASSERT_EQ(runArtgen(again.str()), 0);
    int compared = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(stage->path())) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".bmp" && extension != ".png")) continue;
        const auto relative = std::filesystem::relative(entry.path(), stage->path());
        EXPECT_EQ(slurp(entry.path()), slurp(again.path() / relative)) << relative;
        ++compared;
    }
    EXPECT_GT(compared, 54);
}

TEST_F(MenuArtwork, IconsHaveTheirFoldersSizesAndDrawTheirMiddles) {
    // The desktop's PNG icons: the width and height of the header are those of the folder.
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        for (const char* name : {"gatefold.png", "tintaro.png"}) {
            const std::string folder = std::to_string(size) + "x" + std::to_string(size);
            const std::string png = slurp(stage->path() / "icons" / folder / name);
            ASSERT_GE(png.size(), 24u) << folder << "/" << name;
            auto be32 = [&](size_t at) {
                return (static_cast<unsigned char>(png[at]) << 24) |
                       (static_cast<unsigned char>(png[at + 1]) << 16) |
                       (static_cast<unsigned char>(png[at + 2]) << 8) |
                       static_cast<unsigned char>(png[at + 3]);
            };
            EXPECT_EQ(png.substr(1, 3), "PNG") << folder << "/" << name;
            EXPECT_EQ(be32(16), size) << folder << "/" << name;
            EXPECT_EQ(be32(20), size) << folder << "/" << name;
        }
    }
    // The window icons: 64 x 64, keyed in the corners, drawn around the middle.
    for (const std::string& path : {menuFile("icon.bmp"), gameFile("icon.bmp")}) {
        IDirectDrawSurface* icon = QVLoadBitmap(path.c_str());
        ASSERT_NE(icon, nullptr) << path;
        int w = 0, h = 0;
        getSurfaceSize(icon, &w, &h);
        EXPECT_EQ(w, 64) << path;
        EXPECT_EQ(h, 64) << path;
        const int blue = static_cast<int>(colourValue(icon, 0, 0, 255));
        EXPECT_EQ(getPixel(icon, 0, 0), blue) << path;
        EXPECT_EQ(getPixel(icon, 63, 0), blue) << path;
        int drawn = 0;
        for (int y = 16; y < 48; ++y)
            for (int x = 16; x < 48; ++x) drawn += getPixel(icon, x, y) != blue;
        EXPECT_GT(drawn, 32 * 32 / 4) << path;
        icon->Release();
    }
}

TEST_F(MenuArtwork, FontsReadBackWithAllGlyphsAndFitTheirBoxes) {
    struct Font {
        std::string path;
        int maxHeight;  // the box or row the font is written in
    } fonts[] = {{menuFile("n_font.bmp"), 26},        {menuFile("h_font.bmp"), 26},
                 {gameFile("n_font.bmp"), 30},        {gameFile("h_font.bmp"), 30},
                 {menuFile("HallBlackFont.bmp"), 26}, {menuFile("HallPurpleFont.bmp"), 26}};
    for (const Font& f : fonts) {
        BitmapFont font;
        ASSERT_EQ(font.load(f.path.c_str()), 1) << f.path;
        EXPECT_GE(font.glyphHeight, 18) << f.path;
        EXPECT_LE(font.glyphHeight, f.maxHeight) << f.path;
        for (int i = 0; i < BitmapFont::kGlyphCount; ++i) {
            EXPECT_GT(font.glyphs[i].width, 0) << f.path << " glyph " << i + 33;
            // Narrow marks are narrow and wide letters wide: no glyph swallowed its neighbour.
            EXPECT_LT(font.glyphs[i].width, 2 * font.glyphHeight) << f.path << " glyph " << i + 33;
        }
        const auto width = [&](char ch) { return font.glyphs[ch - 33].width; };
        EXPECT_LT(width('.'), width('M')) << f.path;
        EXPECT_LT(width('!'), width('W')) << f.path;
        // A glyph in parts still reads as one glyph of its full width.
        EXPECT_GT(width('"'), width('\'')) << f.path;
        EXPECT_GT(width('%'), width('o')) << f.path;
        // A typical name fits a title-screen box.
        EXPECT_LT(font.textWidth("Player 8"), 150) << f.path;
    }
    // The menu's and the game's copies are the same fonts.
    EXPECT_EQ(slurp(menuFile("n_font.bmp")), slurp(gameFile("n_font.bmp")));
    EXPECT_EQ(slurp(menuFile("h_font.bmp")), slurp(gameFile("h_font.bmp")));
}

TEST_F(MenuArtwork, ListPicturesFitTheGrid) {
    EXPECT_EQ(sizeOf(menuFile("background.bmp")).w, 800);
    EXPECT_EQ(sizeOf(menuFile("background.bmp")).h, 600);
    const Size slot = frameOf(menuFile("GameButton.bmp"), 3);
    // Game pictures and the collect picture are stamped under the frames, so same size.
    EXPECT_EQ(sizeOf(gameFile("GatefoldButton.bmp")).w, slot.w);
    EXPECT_EQ(sizeOf(gameFile("GatefoldButton.bmp")).h, slot.h);
    EXPECT_EQ(sizeOf(menuFile("CollectButton.bmp")).w, slot.w);
    EXPECT_EQ(sizeOf(menuFile("CollectButton.bmp")).h, slot.h);
    const int xs[3] = {14, 271, 528}, ys[4] = {140, 247, 355, 461};
    std::vector<Rect> slots;
    for (int y : ys)
        for (int x : xs) slots.push_back({x, y, slot.w, slot.h});
    const Rect screen{0, 0, 800, 600};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        EXPECT_TRUE(slots[i].inside(screen)) << "slot " << i + 1;
        for (std::size_t j = i + 1; j < slots.size(); ++j)
            EXPECT_FALSE(slots[i].overlaps(slots[j])) << "slots " << i + 1 << " and " << j + 1;
    }
    // The controls at the top right stay clear of each other and of the grid.
    const std::vector<Rect> controls = {placed(menuFile("PageArrowsLeft.bmp"), 2, 638, 19),
                                        placed(menuFile("PageArrowsRight.bmp"), 2, 739, 19),
                                        placed(menuFile("Info.bmp"), 2, 637, 89),
                                        placed(menuFile("SmallExit.bmp"), 2, 718, 89)};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(controls[i].inside(screen)) << "control " << i;
        for (const Rect& s : slots) EXPECT_FALSE(controls[i].overlaps(s)) << "control " << i;
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i].overlaps(controls[j])) << "controls " << i << ", " << j;
    }
    // Page numbers: ten equal digits; a two-digit number ending at 716 stays between
    // the arrows.
    const Size digits = sizeOf(menuFile("PageNumbers.bmp"));
    EXPECT_EQ(digits.w % 10, 0);
    const Rect number{716 - 2 * digits.w / 10, 30, 2 * digits.w / 10, digits.h};
    EXPECT_FALSE(number.overlaps(controls[0]));
    EXPECT_FALSE(number.overlaps(controls[1]));
}

TEST_F(MenuArtwork, GameFrameIsOpenInTheMiddleAndDrawnAtTheRim) {
    IDirectDrawSurface* strip = QVLoadBitmap(menuFile("GameButton.bmp").c_str());
    ASSERT_NE(strip, nullptr);
    int w = 0, h = 0;
    getSurfaceSize(strip, &w, &h);
    const int blue = static_cast<int>(colourValue(strip, 0, 0, 255));
    const int frame = w / 3;
    for (int state = 0; state < 3; ++state) {
        const int x0 = state * frame;
        int open = 0, total = 0;
        for (int y = h / 4; y < 3 * h / 4; ++y)
            for (int x = x0 + frame / 4; x < x0 + 3 * frame / 4; ++x, ++total)
                open += getPixel(strip, x, y) == blue;
        EXPECT_EQ(open, total) << "state " << state << ": the game picture must show through";
        // The middle of the top and left edges carries the frame.
        bool topDrawn = false, leftDrawn = false;
        for (int y = 0; y < 8; ++y) topDrawn |= getPixel(strip, x0 + frame / 2, y) != blue;
        for (int x = x0; x < x0 + 8; ++x) leftDrawn |= getPixel(strip, x, h / 2) != blue;
        EXPECT_TRUE(topDrawn) << "state " << state;
        EXPECT_TRUE(leftDrawn) << "state " << state;
    }
    strip->Release();
}

TEST_F(MenuArtwork, DialogButtonsFallOnTheirPages) {
    // The information page is centred; its back button is placed at (689, 370).
    const Size info = sizeOf(menuFile("infoscreen.bmp"));
    const Rect infoPage{(800 - info.w) / 2, (600 - info.h) / 2, info.w, info.h};
    EXPECT_TRUE(placed(menuFile("backbutton.bmp"), 2, 689, 370).inside(infoPage));

    // The hall of fame and players pages: buttons in page coordinates, pages at (53, 18).
    const Size hall = sizeOf(menuFile("HallOfFameScreen.bmp"));
    const Rect hallPage{0, 0, hall.w, hall.h};
    EXPECT_TRUE(Rect({53, 18, hall.w, hall.h}).inside({0, 0, 800, 600}));
    const std::vector<Rect> hallButtons = {placed(menuFile("UploadButton.bmp"), 2, 552, 88),
                                           placed(menuFile("ClearScores.bmp"), 2, 552, 149),
                                           placed(menuFile("backbutton.bmp"), 2, 595, 220)};
    const Rect table{56, 275, 694 - 56, 26 * 10};
    for (std::size_t i = 0; i < hallButtons.size(); ++i) {
        EXPECT_TRUE(hallButtons[i].inside(hallPage)) << "hall button " << i;
        EXPECT_FALSE(hallButtons[i].overlaps(table)) << "hall button " << i;
        for (std::size_t j = i + 1; j < hallButtons.size(); ++j)
            EXPECT_FALSE(hallButtons[i].overlaps(hallButtons[j]));
    }
    EXPECT_GE(hall.h, 275 + 26 * 9 + 20);

    const Size players = sizeOf(menuFile("PlayerInfo.bmp"));
    const Rect playersPage{0, 0, players.w, players.h};
    EXPECT_TRUE(Rect({53, 18, players.w, players.h}).inside({0, 0, 800, 600}));
    const std::vector<Rect> playerButtons = {placed(menuFile("EnterButton.bmp"), 2, 474, 471),
                                             placed(menuFile("RemoveButton.bmp"), 2, 360, 471),
                                             placed(gameFile("BackButton.bmp"), 2, 608, 489),
                                             placed(menuFile("yesno.bmp"), 2, 37, 486)};
    for (std::size_t i = 0; i < playerButtons.size(); ++i) {
        EXPECT_TRUE(playerButtons[i].inside(playersPage)) << "players button " << i;
        for (std::size_t j = i + 1; j < playerButtons.size(); ++j)
            EXPECT_FALSE(playerButtons[i].overlaps(playerButtons[j])) << i << ", " << j;
    }
    // The e-mail field (screen 66, 404, 26 high, so page y 386) ends above the buttons.
    EXPECT_LT(386 + 26, 471);

    // The information pages of the title screen fit the screen at (53, 18); the help page for
    // a game pad takes the keyboard one's place.
    for (const char* name :
         {"title/Credits.bmp", "title/HowToPlay.bmp", "title/HowToPlayPad.bmp"}) {
        const Size page = sizeOf(gameFile(name));
        EXPECT_TRUE(Rect({53, 18, page.w, page.h}).inside({0, 0, 800, 600})) << name;
    }
    EXPECT_EQ(sizeOf(gameFile("title/HowToPlayPad.bmp")).w,
              sizeOf(gameFile("title/HowToPlay.bmp")).w);
    EXPECT_EQ(sizeOf(gameFile("title/HowToPlayPad.bmp")).h,
              sizeOf(gameFile("title/HowToPlay.bmp")).h);
}

// The players page for a game pad is the keyboard one's page with the description taken out:
// the menu draws its fields and buttons at the same fixed places on both, and its on-screen
// keyboard, on the key caps, in the band left plain.
TEST_F(MenuArtwork, ThePadPlayersPageKeepsTheFieldsAndLeavesTheKeyboardBandPlain) {
    const auto keys = testsupport::readBmp24(menuFile("PlayerInfo.bmp"));
    const auto pad = testsupport::readBmp24(menuFile("PlayerInfoPad.bmp"));
    ASSERT_TRUE(keys.ok() && pad.ok());
    ASSERT_EQ(pad.width, keys.width);
    ASSERT_EQ(pad.height, keys.height);
    auto same = [](const testsupport::Picture& a, int ax, int ay, const testsupport::Picture& b,
                   int bx, int by) {
        int r, g, bl, r2, g2, b2;
        a.pixel(ax, ay, r, g, bl);
        b.pixel(bx, by, r2, g2, b2);
        return r == r2 && g == g2 && bl == b2;
    };
    // The band (x 85 to 609, y 64 to 226) and the rows just above it, where the title must
    // end: the paper alone, one colour a row, as the sheet's gradient runs down.
    int drawnInBand = 0;
    for (int y = 60; y < 226; ++y)
        for (int x = 85; x < 609; ++x) drawnInBand += !same(pad, x, y, pad, 85, y);
    EXPECT_EQ(drawnInBand, 0);
    int r, g, b;
    pad.pixel(85, 120, r, g, b);
    EXPECT_FALSE(r == 0 && g == 0 && b == 255) << "the band is the page's paper, not keyed";
    // From the band down, all as on the keyboard page but for the hint between the e-mail
    // box (to y 416) and the send label (from y 446).
    int moved = 0, hint = 0;
    for (int y = 226; y < pad.height; ++y)
        for (int x = 0; x < pad.width; ++x) {
            const bool differs = !same(pad, x, y, keys, x, y);
            (y > 416 && y < 446 ? hint : moved) += differs;
        }
    EXPECT_EQ(moved, 0);
    EXPECT_GT(hint, 500) << "the hint line with its button pictures";

    // The key caps: two frames each, keyed outside their rounded corners, with the middle
    // where the menu writes a label one plain colour, and the focused frame unlike the other.
    for (const auto& [name, width] :
         {std::pair{"KeyCap.bmp", 44}, std::pair{"KeyCapWide.bmp", 128}}) {
        const auto cap = testsupport::readBmp24(menuFile(name));
        ASSERT_TRUE(cap.ok()) << name;
        ASSERT_EQ(cap.width, 2 * width) << name;
        ASSERT_EQ(cap.height, 30) << name;
        int rimsDiffer = 0;
        for (int frame = 0; frame < 2; ++frame) {
            const int x0 = frame * width;
            for (const auto& [cx, cy] : {std::pair{0, 0}, std::pair{width - 1, 0}, std::pair{0, 29},
                                         std::pair{width - 1, 29}}) {
                cap.pixel(x0 + cx, cy, r, g, b);
                EXPECT_TRUE(r == 0 && g == 0 && b == 255) << name << " frame " << frame;
            }
            int cluttered = 0;
            for (int y = 6; y < 22; ++y)
                for (int x = x0 + 8; x < x0 + width - 8; ++x)
                    cluttered += !same(cap, x, y, cap, x0 + width / 2, 14);
            EXPECT_EQ(cluttered, 0) << name << " frame " << frame;
        }
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < width; ++x) rimsDiffer += !same(cap, x, y, cap, width + x, y);
        EXPECT_GT(rimsDiffer, width) << name << ": the focused key must stand out";
    }
}

// Rows that a caption's lower-case letters fill: rows holding at least 40 % of the ink of the
// fullest row, ink being the pixels far from their row's commonest colour.
int lowerCaseRows(const testsupport::Picture& p, const Rect& r) {
    std::vector<int> ink;
    for (int y = r.y; y < r.y + r.h; ++y) {
        std::vector<std::array<int, 3>> row;
        for (int x = r.x; x < r.x + r.w; ++x) {
            std::array<int, 3> c{};
            p.pixel(x, y, c[0], c[1], c[2]);
            row.push_back(c);
        }
        std::map<std::array<int, 3>, int> counts;
        for (const auto& c : row) ++counts[c];
        std::array<int, 3> ground{};
        int most = 0;
        for (const auto& [c, n] : counts)
            if (n > most) {
                most = n;
                ground = c;
            }
        int n = 0;
        for (const auto& c : row)
            n += std::abs(c[0] - ground[0]) + std::abs(c[1] - ground[1]) +
                     std::abs(c[2] - ground[2]) >
                 150;
        ink.push_back(n);
    }
    const int fullest = *std::max_element(ink.begin(), ink.end());
    return static_cast<int>(std::count_if(ink.begin(), ink.end(),
                                          [&](int n) { return n > 0 && 5 * n >= 2 * fullest; }));
}

// On a 1280 x 800 handheld the 800 x 600 picture is shown at 4/3: 7 rows of lower-case
// letters are 9 pixels there, the least that reads. The small captions of the pictures:
TEST_F(MenuArtwork, SmallCaptionsStayReadableOnAHandheld) {
    struct Caption {
        std::string file;
        Rect place;
        const char* text;
    } captions[] = {{menuFile("background.bmp"), {683, 57, 53, 27}, "page"},
                    {menuFile("CollectButton.bmp"), {100, 68, 140, 24}, "click to visit"},
                    {menuFile("infoscreen.bmp"), {672, 409, 118, 23}, "Back to the list"},
                    {gameFile("title/titlebackground.bmp"),
                     {224, 542, 352, 20},
                     "Choose a name to play as that player."}};
    for (const Caption& c : captions) {
        const auto picture = testsupport::readBmp24(c.file);
        ASSERT_TRUE(picture.ok()) << c.file;
        const int rows = lowerCaseRows(picture, c.place);
        EXPECT_GE(rows, 7) << c.text;
        EXPECT_LE(rows, 10) << c.text << ": more than a caption in its place";
    }
}

TEST_F(MenuArtwork, TitleButtonsAndNameBoxesDoNotCollide) {
    const Size back = sizeOf(gameFile("title/titlebackground.bmp"));
    EXPECT_EQ(back.w, 800);
    EXPECT_EQ(back.h, 600);
    struct Placed {
        const char* file;
        int x, y;
    } buttons[] = {{"HowToPlayButton.bmp", 52, 296},
                   {"PlayButton.bmp", 636, 296},
                   {"HighScoresButton.bmp", 52, 365},
                   {"MenuButton.bmp", 636, 365},
                   {"CreditsButton.bmp", 52, 435},
                   {"ExitButton.bmp", 636, 435},
                   {"PlayersButton.bmp", 280, 318},
                   {"sfx.bmp", 52, 505},
                   {"music.bmp", 106, 505}};
    std::vector<Rect> rects;
    for (const Placed& b : buttons) rects.push_back(placed(gameFile(b.file), 2, b.x, b.y));
    const int boxes[8][2] = {{239, 378}, {408, 378}, {238, 420}, {408, 420},
                             {238, 464}, {408, 464}, {238, 510}, {408, 510}};
    for (const auto& b : boxes) rects.push_back({b[0], b[1], 150, 30});
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_TRUE(rects[i].inside({0, 0, 800, 600})) << "element " << i;
        for (std::size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(rects[i].overlaps(rects[j])) << "elements " << i << " and " << j;
    }
}

}  // namespace
