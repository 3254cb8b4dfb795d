// The hall of fame page: the table in two columns, clearing, closing and the upload address.
#include "menu/hall_of_fame_dialog.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "framework/dirty_rect_manager.h"
#include "platform/transcript.h"
#include "profile/score_moves.h"
#include "tests/menu/menu_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using menutest::glyphPixel;

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

constexpr int kBlack = 0;
constexpr int kPurple = 128;
constexpr int kPageX = 53, kPageY = 18;
const std::string kSite = "http://www.example.com/cgi-bin/hiscore.cgi?";

std::uint16_t purple(char ch) {
    return glyphPixel(static_cast<unsigned char>(ch) - 33, kPurple);
}
std::uint16_t black(char ch) {
    return glyphPixel(static_cast<unsigned char>(ch) - 33, kBlack);
}

class HallOfFameTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path menu = dir.path() / "menu";
        game = menu / "Game";
        fs::create_directories(game);
        const auto widths = menutest::standardWidths();
        menutest::writeFont((menu / "HallBlackFont.bmp").string(), widths, 1, 1, kBlack);
        menutest::writeFont((menu / "HallPurpleFont.bmp").string(), widths, 1, 1, kPurple);
        fwtest::writeSolidBmp((menu / "HallOfFameScreen.bmp").string(), 800, 560, {230, 230, 230});
        menutest::writeStrip((menu / "UploadButton.bmp").string(), 60, 40);
        menutest::writeStrip((menu / "ClearScores.bmp").string(), 60, 40);
        menutest::writeStrip((menu / "backbutton.bmp").string(), 60, 40);
        previous = fs::current_path();
        fs::current_path(game);
    }
    void TearDown() override {
        dirtyRects.setWorkingBackground(nullptr);
        fs::current_path(previous);
    }

    void writeScores(const std::vector<std::pair<int, std::pair<std::string, int>>>& rows) {
        ScoreTable t;
        t.resize(20);
        for (const auto& [index, row] : rows) {
            std::snprintf(t.entries[index].name, sizeof t.entries[index].name, "%s",
                          row.first.c_str());
            t.entries[index].score = row.second;
        }
        ASSERT_EQ(t.writeFile("hiscore.dat"), 1);
    }
    // The title screen's sequence, with the page as the working background as run makes it.
    void open(HallOfFameDialog& d) {
        d.createLists();
        d.setPosition(kPageX, kPageY);
        ASSERT_NE(d.currentImage, nullptr);
        page = d.currentImage->getSurface();
        ASSERT_NE(page, nullptr);
        dirtyRects.setWorkingBackground(page);
    }
    // One frame with the left button pressed and one released at (x, y), then the step.
    static void clickAt(HallOfFameDialog& d, int x, int y) {
        d.buttonList->handleMouse(x, y, 1);
        d.buttonList->handleMouse(x, y, 0);
        d.checkClose();
    }
    static void clickUpload(HallOfFameDialog& d) {
        clickAt(d, kPageX + 552 + 10, kPageY + 88 + 10);
    }
    static void clickClear(HallOfFameDialog& d) {
        clickAt(d, kPageX + 552 + 10, kPageY + 149 + 10);
    }
    static void clickBack(HallOfFameDialog& d) { clickAt(d, kPageX + 595 + 10, kPageY + 220 + 10); }

    // First column of row y holding the pixel, or -1.
    int firstColumn(int y, std::uint16_t value, int x0 = 0, int x1 = 800) const {
        const auto cols = menutest::columnsWithPixel(page, y, x0, x1, value);
        return cols.empty() ? -1 : cols.front();
    }
    std::string transcriptPath() const { return dir.str() + "/transcript.txt"; }
    std::string readTranscript() const {
        std::ifstream in(transcriptPath());
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    testsupport::TempDir dir;
    fs::path game;
    fs::path previous;
    IDirectDrawSurface* page = nullptr;
};

TEST_F(HallOfFameTest, DrawsNamePartsAndScoresInTwoColumnsOfAlternatingFonts) {
    writeScores({{0, {"Ann:street:ann@x:Y", 1234}},
                 {1, {"Bob", 99}},
                 {3, {"Cy", -5}},
                 {4, {std::string(100, '!'), 0}},
                 {10, {"Dee", 42}},
                 {11, {"Eve:x", 7}}});
    HallOfFameDialog d;
    open(d);
    ASSERT_NE(d.table, nullptr);
    EXPECT_EQ(d.blackFont->letterSpacing, 1);
    EXPECT_EQ(d.purpleFont->letterSpacing, 1);
    const int paper = getPixel(page, 5, 5);
    EXPECT_EQ(d.checkClose(), 1);
    EXPECT_EQ(d.closed, 0);

    // Row 0: purple, name at 56, score at 256; only the part before the first ':'.
    EXPECT_EQ(firstColumn(280, purple('A')), 56);
    EXPECT_GT(firstColumn(280, purple('n')), 56);
    EXPECT_EQ(firstColumn(280, purple('s')), -1);
    EXPECT_EQ(firstColumn(280, purple(':')), -1);
    EXPECT_EQ(firstColumn(280, purple('1')), 256);
    EXPECT_GT(firstColumn(280, purple('4')), 256);
    // Row 1: black.
    EXPECT_EQ(firstColumn(306, black('B')), 56);
    EXPECT_EQ(firstColumn(306, purple('B')), -1);
    EXPECT_EQ(firstColumn(306, black('9')), 256);
    // Row 2 is empty and stays blank; row 3 keeps its place.
    EXPECT_EQ(menutest::countPixels(page, 40, 327, 360, 337, static_cast<std::uint16_t>(paper)),
              320 * 10);
    EXPECT_EQ(firstColumn(358, black('C')), 56);
    EXPECT_EQ(firstColumn(358, black('-')), 256);
    // Row 4: a name part longer than 63 characters is cut at 63.
    EXPECT_EQ(menutest::columnsWithPixel(page, 384, 0, 256, purple('!')).size(), 63u);
    EXPECT_EQ(firstColumn(384, purple('0')), 256);
    // Second column.
    EXPECT_EQ(firstColumn(280, purple('D'), 300), 387);
    EXPECT_EQ(firstColumn(280, purple('4'), 500), 587);
    EXPECT_EQ(firstColumn(306, black('E'), 300), 387);
    EXPECT_EQ(firstColumn(306, black('x'), 300), -1);
    EXPECT_EQ(firstColumn(306, black('7'), 500), 587);
}

TEST_F(HallOfFameTest, ClearWritesTheEmptyTableAndCloses) {
    writeScores({{0, {"Ann:a:b:Y", 500}}, {1, {"Bob", 400}}});
    {
        HallOfFameDialog d;
        open(d);
        // A click on the page outside the buttons changes nothing.
        clickAt(d, kPageX + 300, kPageY + 40);
        EXPECT_EQ(d.closed, 0);
        clickClear(d);
        EXPECT_EQ(d.closed, 1);
        EXPECT_STREQ(d.result(), "clear");
        d.leave();
        EXPECT_EQ(d.table, nullptr);
    }
    std::ifstream in("hiscore.dat", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 5204u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x14\0\0\0", 4));
    EXPECT_EQ(bytes.find_first_not_of('\0', 4), std::string::npos);

    HallOfFameDialog again;
    open(again);
    const int paper = getPixel(page, 5, 5);
    again.checkClose();
    EXPECT_EQ(menutest::countPixels(page, 40, 270, 800, 540, static_cast<std::uint16_t>(paper)),
              760 * 270);
}

TEST_F(HallOfFameTest, BackClosesWithoutTouchingTheFile) {
    writeScores({{0, {"Ann", 500}}});
    const auto before = fs::file_size("hiscore.dat");
    HallOfFameDialog d;
    open(d);
    clickBack(d);
    EXPECT_EQ(d.closed, 1);
    EXPECT_STREQ(d.result(), "back");
    ScoreTable t;
    t.resize(20);
    ASSERT_EQ(t.readFile("hiscore.dat"), 1);
    EXPECT_STREQ(t.entries[0].name, "Ann");
    EXPECT_EQ(fs::file_size("hiscore.dat"), before);
}

TEST_F(HallOfFameTest, UploadOpensTheEncodedAddressWithTheMaskedScore) {
    writeScores({{0, {"Ann Lee:1 Main St:a@b=c&d:Y", 1234}}, {1, {"Bob", 99}}});
    ASSERT_TRUE(platform::transcriptOpen(transcriptPath()));
    HallOfFameDialog d;
    open(d);
    clickUpload(d);
    clickUpload(d);
    platform::transcriptClose();
    EXPECT_EQ(d.closed, 0);
    // 1234 xor 0x3C3C3C3; the folder's name stands for the game; send is Y, so address and
    // e-mail go too, every byte of them but letters, digits and - . _ ~ encoded.
    const std::string address =
        kSite + "game=Game&name=Ann%20Lee%3A1%20Main%20St%3Aa%40b%3Dc%26d%3AY&score=63162129";
    EXPECT_EQ(d.uploadAddress, address);
    EXPECT_EQ(readTranscript(),
              "launch\topen\t" + address + "\t\t\nlaunch\topen\t" + address + "\t\t\n");
    // The file keeps the plain score.
    ScoreTable t;
    t.resize(20);
    ASSERT_EQ(t.readFile("hiscore.dat"), 1);
    EXPECT_EQ(t.entries[0].score, 1234);
}

TEST_F(HallOfFameTest, UploadNamesTheGivenGameAndSendsAnEmptyTable) {
    HallOfFameDialog d;
    GameEntry entry{};
    std::snprintf(entry.name, sizeof entry.name, "Tintaro");
    d.setGame(&entry);
    open(d);
    EXPECT_EQ(d.buildUploadAddress(), kSite + "game=Tintaro&name=&score=63161283");
}

TEST_F(HallOfFameTest, ANameCannotForgeParametersAndSendNoHidesAddressAndEmail) {
    // A name made to add a score, with every kind of byte that must not go as it is.
    const std::string forged = "x&score=9999999 +\x01\xe9~-._";
    writeScores({{0, {forged + ":1 Road:ada@example.org:N", 70}}});
    HallOfFameDialog d;
    open(d);
    const std::string value = "x%26score%3D9999999%20%2B%01%E9~-._%3A%3A%3AN";
    EXPECT_EQ(d.buildUploadAddress(),
              kSite + "game=Game&name=" + value + "&score=" + std::to_string(70 ^ 0x3C3C3C3));
    // Decoding the value gives back the name, its address and e-mail left out.
    std::string decoded;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            decoded += value[i];
            continue;
        }
        decoded += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
        i += 2;
    }
    EXPECT_EQ(decoded, forged + ":::N");

    // The game name is a value too; an address far longer than 256 bytes is built whole.
    writeScores({{0, {std::string(240, ' ') + ":a:b:Y", 0}}});
    HallOfFameDialog spaced;
    spaced.setGameName("T&T");
    open(spaced);
    ASSERT_TRUE(platform::transcriptOpen(transcriptPath()));
    clickUpload(spaced);
    platform::transcriptClose();
    std::string spaces;
    for (int i = 0; i < 240; ++i) spaces += "%20";
    const std::string whole =
        kSite + "game=T%26T&name=" + spaces + "%3Aa%3Ab%3AY&score=" + std::to_string(0x3C3C3C3);
    EXPECT_EQ(spaced.uploadAddress, whole);
    EXPECT_EQ(readTranscript(), "launch\topen\t" + whole + "\t\t\n");
}

TEST_F(HallOfFameTest, MovesGoOnlyWithTheRowTheyWereKeptFor) {
    const std::string ann = "Ann:a:b:Y";
    writeScores({{0, {ann, 1234}}, {1, {"Bob:::Y", 99}}});
    const std::string address = kSite + "game=Game&name=Ann%3Aa%3Ab%3AY&score=63162129";
    HallOfFameDialog d;
    open(d);
    // An install without hiscore.moves uploads without moves.
    EXPECT_EQ(d.buildUploadAddress(), address);
    auto row = [](const std::string& name, int score, std::vector<std::uint8_t> moves) {
        ScoreMovesRow r;
        r.score = score;
        std::snprintf(r.name, sizeof r.name, "%s", name.c_str());
        r.moves = std::move(moves);
        return r;
    };
    // Rows of the same text with another score, or of another text, are not row 0's.
    ScoreMoves file;
    file.rows = {row(ann, 1000, {1}), row("Ann:a:b:N", 1234, {2}), row("Bob:::Y", 99, {4})};
    ASSERT_EQ(file.writeFile("hiscore.moves"), 1);
    EXPECT_EQ(d.buildUploadAddress(), address);
    file.rows.push_back(row(ann, 1234, {0, 1, 2, 3, 4, 5, 5}));
    ASSERT_EQ(file.writeFile("hiscore.moves"), 1);
    EXPECT_EQ(d.buildUploadAddress(), address + "&moves=0123455");
}

TEST(UrlEncode, LeavesOnlyUnreservedBytesAsTheyAre) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    std::string out(all.size() * 3 + 1, '#');
    EXPECT_EQ(HallOfFameDialog::urlEncode(all.c_str(), out.data()), out.data());
    std::string expected;
    for (int c = 1; c < 256; ++c) {
        if (std::isalnum(c) != 0 && c < 0x80) {
            expected += static_cast<char>(c);
        } else if (c == '-' || c == '.' || c == '_' || c == '~') {
            expected += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            expected += escape;
        }
    }
    EXPECT_EQ(std::string(out.c_str()), expected);
    EXPECT_STREQ(HallOfFameDialog::urlEncode("", out.data()), "");
}

}  // namespace
