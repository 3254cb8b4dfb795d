// Tintaro driven through the headless contract: arms turning rings on the captured board,
// the panel, the numbers' files, the command buttons, the help page, the menu hand-over and
// the resumed game. The expected boards come from the rules themselves.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "games/tintaro/wheel_game.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string kGame = std::string(STUDIO_STAGE_DIR) + "/Tintaro";
const std::string kProgram = kGame + "/Tintaro-headless";

struct ArmPlace {
    const char* name;
    const char* file;
    int x, y, ring, direction;
};
const ArmPlace kArms[] = {
    {"bluetop", "bluetop.bmp", 272, 161, 0, 0},
    {"bluebottom", "bluebottom.bmp", 255, 205, 0, 1},
    {"magentaleft", "magentaleft.bmp", 339, 372, 2, 0},
    {"magentaright", "magentaright.bmp", 397, 372, 2, 1},
    {"yellowtop", "yellowtop.bmp", 469, 167, 1, 1},
    {"yellowbottom", "yellowbottom.bmp", 489, 209, 1, 0},
};
const char* kExit = "click 750 545\nwait 5\n";
const char* kNewGame = "click 610 545\nwait 5\n";
const char* kMenu = "click 540 545\nwait 5\n";
const char* kHelp = "click 680 545\nwait 5\n";

// A game folder of its own: the pictures, sounds and settings, no saved files.
void copyGame(const testsupport::TempDir& dir) {
    for (const auto& entry : fs::recursive_directory_iterator(kGame)) {
        const fs::path relative = fs::relative(entry.path(), kGame);
        const std::string ext = entry.path().extension().string();
        if (entry.is_directory()) {
            fs::create_directories(dir.path() / relative);
        } else if (ext == ".bmp" || ext == ".wav" || ext == ".ini") {
            fs::copy_file(entry.path(), dir.path() / relative);
        }
    }
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::int32_t int32At(const std::string& bytes, size_t at) {
    std::int32_t v = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

bool pureBlue(const testsupport::Picture& p, int x, int y) {
    int r, g, b;
    p.pixel(x, y, r, g, b);
    return r == 0 && g == 0 && b == 255;
}

// The opaque pixel of an arm's normal image nearest its centre, in screen coordinates;
// with `transparent`, a pure-blue pixel inside it at least 4 pixels from anything opaque.
bool armPoint(const ArmPlace& arm, bool transparent, int& sx, int& sy) {
    const auto strip = testsupport::readBmp24(kGame + "/" + arm.file);
    if (!strip.ok()) return false;
    const int w = strip.width / 2, h = strip.height;
    long best = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool ok = !pureBlue(strip, x, y);
            if (transparent) {
                ok = true;
                for (int dy = -4; dy <= 4 && ok; ++dy)
                    for (int dx = -4; dx <= 4 && ok; ++dx) {
                        const int px = x + dx, py = y + dy;
                        if (px >= 0 && py >= 0 && px < w && py < h && !pureBlue(strip, px, py))
                            ok = false;
                    }
            }
            if (!ok) continue;
            const long d = static_cast<long>(x - w / 2) * (x - w / 2) +
                           static_cast<long>(y - h / 2) * (y - h / 2);
            if (best < 0 || d < best) {
                best = d;
                sx = arm.x + x;
                sy = arm.y + y;
            }
        }
    return best >= 0;
}

// The colour letters a captured frame shows at the thirty cells, matched against the
// chip strip's frames at the same place in each chip.
std::string boardOf(const testsupport::Picture& frame) {
    static const char kLetters[] = "MCYRGB";
    const auto chips = testsupport::readBmp24(kGame + "/chips.bmp");
    std::string board;
    if (!chips.ok() || !frame.ok()) return board;
    const int fw = chips.width / 6;
    for (int cell = 0; cell < tintaro::kCells; ++cell) {
        const int x = tintaro::cellPositions[cell].x - 3 + 11;
        const int y = tintaro::cellPositions[cell].y - 22 + 22;
        int r, g, b;
        frame.pixel(x, y, r, g, b);
        int bestFrame = -1;
        long bestDistance = 0;
        for (int f = 0; f < 6; ++f) {
            int cr, cg, cb;
            chips.pixel(f * fw + 11, 22, cr, cg, cb);
            const long d = (r - cr) * (r - cr) + (g - cg) * (g - cg) + (b - cb) * (b - cb);
            if (bestFrame < 0 || d < bestDistance) {
                bestFrame = f;
                bestDistance = d;
            }
        }
        board += bestDistance < 300 ? kLetters[bestFrame] : '?';
    }
    return board;
}

std::string startBoard() {
    return std::string(tintaro::startLayout, tintaro::kCells);
}

std::string boardAfter(const std::vector<std::pair<int, int>>& turns) {
    WheelGame game;
    std::memcpy(game.cells, tintaro::startLayout, tintaro::kCells);
    for (auto [ring, direction] : turns) game.rotateRing(ring, direction);
    return std::string(game.cells, tintaro::kCells);
}

std::string click(int x, int y) {
    return "click " + std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
}

TEST(TintaroProgram, EachArmTurnsItsRingTheWayItPoints) {
    for (const ArmPlace& arm : kArms) {
        testsupport::TempDir dir;
        copyGame(dir);
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(arm, false, x, y)) << arm.name;
        const std::string script =
            "wait 5\ncapture before.bmp\n" + click(x, y) + "capture after.bmp\n" + kExit;
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
        ASSERT_EQ(run.exitStatus, 0) << arm.name;
        const auto before = testsupport::readBmp24(run.captureDir + "/before.bmp");
        const auto after = testsupport::readBmp24(run.captureDir + "/after.bmp");
        EXPECT_EQ(boardOf(before), startBoard()) << arm.name;
        EXPECT_EQ(boardOf(after), boardAfter({{arm.ring, arm.direction}})) << arm.name;
        // "exit" saved the one move.
        const std::string moves = readFile(dir.path() / "moves.dat");
        ASSERT_EQ(moves.size(), 12u) << arm.name;
        EXPECT_EQ(int32At(moves, 0), 1);
        EXPECT_EQ(int32At(moves, 4), arm.ring) << arm.name;
        EXPECT_EQ(int32At(moves, 8), arm.direction) << arm.name;
    }
}

TEST(TintaroProgram, AClickOnATransparentPixelOfAnArmTurnsNothing) {
    testsupport::TempDir dir;
    copyGame(dir);
    std::string script = "wait 5\n";
    for (const ArmPlace& arm : kArms) {
        int x = 0, y = 0;
        if (armPoint(arm, true, x, y)) script += click(x, y);
    }
    script += "capture after.bmp\n";
    script += kExit;
    auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
    ASSERT_EQ(run.exitStatus, 0);
    EXPECT_EQ(boardOf(testsupport::readBmp24(run.captureDir + "/after.bmp")), startBoard());
    EXPECT_EQ(readFile(dir.path() / "moves.dat"), std::string(4, '\0'));
}

// Pixels of the box (x, y, w, h) of a capture that match a keyed strip frame placed there.
int matchingPixels(const testsupport::Picture& shot, const std::string& stripFile, int frames,
                   int frame, int x, int y) {
    const auto strip = testsupport::readBmp24(kGame + "/" + stripFile);
    const int fw = strip.width / frames;
    int n = 0;
    for (int py = 0; py < strip.height; ++py)
        for (int px = 0; px < fw; ++px) {
            if (pureBlue(strip, frame * fw + px, py)) continue;
            int r, g, b, sr, sg, sb;
            strip.pixel(frame * fw + px, py, sr, sg, sb);
            shot.pixel(x + px, y + py, r, g, b);
            n += (r >> 3) == (sr >> 3) && (g >> 2) == (sg >> 2) && (b >> 3) == (sb >> 3);
        }
    return n;
}

int opaquePixels(const std::string& stripFile, int frames, int frame) {
    const auto strip = testsupport::readBmp24(kGame + "/" + stripFile);
    const int fw = strip.width / frames;
    int n = 0;
    for (int py = 0; py < strip.height; ++py)
        for (int px = 0; px < fw; ++px) n += !pureBlue(strip, frame * fw + px, py);
    return n;
}

TEST(TintaroProgram, ThePanelShowsBlocksForNowAndDotsForTheBest) {
    // "bluetop" gives the yellow and magenta rings two cells each; "bluebottom" takes them
    // back, leaving the best at two: dots where the blocks were.
    int tx = 0, ty = 0, bx = 0, by = 0;
    ASSERT_TRUE(armPoint(kArms[0], false, tx, ty));
    ASSERT_TRUE(armPoint(kArms[1], false, bx, by));
    testsupport::TempDir dir;
    copyGame(dir);
    const std::string script = "wait 5\n" + click(tx, ty) + "capture blocks.bmp\n" + click(bx, by) +
                               "capture dots.bmp\n" + kExit;
    auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
    ASSERT_EQ(run.exitStatus, 0);
    const auto blocks = testsupport::readBmp24(run.captureDir + "/blocks.bmp");
    const auto dots = testsupport::readBmp24(run.captureDir + "/dots.bmp");
    ASSERT_TRUE(blocks.ok() && dots.ok());
    // Ring 1 (yellow) is the column at x 57 in frame 2, ring 2 (magenta) at x 91 in frame 1.
    const struct { int x, frame; } columns[] = {{57, 2}, {91, 1}};
    for (const auto& c : columns) {
        for (int y : {407, 373}) {
            const int blockPixels = opaquePixels("panelblocks.bmp", 3, c.frame);
            const int dotPixels = opaquePixels("paneldots.bmp", 3, c.frame);
            EXPECT_EQ(matchingPixels(blocks, "panelblocks.bmp", 3, c.frame, c.x, y), blockPixels)
                << c.x << "," << y;
            EXPECT_EQ(matchingPixels(dots, "paneldots.bmp", 3, c.frame, c.x, y), dotPixels)
                << c.x << "," << y;
        }
        // Nothing above the best.
        EXPECT_LT(matchingPixels(dots, "paneldots.bmp", 3, c.frame, c.x, 339),
                  opaquePixels("paneldots.bmp", 3, c.frame) / 2);
    }
    // Two moves: the bonus fell by 250 and the score holds the best cells, 4 x 100.
    const std::string table = readFile(dir.path() / "hiscore.dat");
    ASSERT_EQ(table.size(), 5204u);
    EXPECT_EQ(int32At(table, 0), 20);
    EXPECT_EQ(std::string(table.data() + 4), "Player1:::Y");
    EXPECT_EQ(int32At(table, 4 + 256), 400);
    EXPECT_EQ(int32At(table, 4 + 260 + 256), 0);
}

TEST(TintaroProgram, NewGameEmptiesTheSavedMovesAndStartsAFreshBoard) {
    int x = 0, y = 0;
    ASSERT_TRUE(armPoint(kArms[4], false, x, y));
    testsupport::TempDir dir;
    copyGame(dir);
    const std::string script = "wait 5\n" + click(x, y) + "capture turned.bmp\n" + kNewGame +
                               "wait 3\ncapture fresh.bmp\nkey 1\nwait 10\n";
    auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
    ASSERT_EQ(run.exitStatus, 0);
    EXPECT_EQ(boardOf(testsupport::readBmp24(run.captureDir + "/turned.bmp")),
              boardAfter({{1, 1}}));
    EXPECT_EQ(boardOf(testsupport::readBmp24(run.captureDir + "/fresh.bmp")), startBoard());
    // Esc saved nothing after the new game: the file is the empty log newgame wrote.
    EXPECT_EQ(readFile(dir.path() / "moves.dat"), std::string(4, '\0'));
}

TEST(TintaroProgram, EscEndsWithoutSavingAnything) {
    int x = 0, y = 0;
    ASSERT_TRUE(armPoint(kArms[2], false, x, y));
    testsupport::TempDir dir;
    copyGame(dir);
    auto run = testsupport::runHeadless(
        kProgram, dir.str(), "wait 5\n" + click(x, y) + "key 1\nwait 10\n", {}, dir.str());
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "moves.dat"));
    EXPECT_FALSE(fs::exists(dir.path() / "hiscore.dat"));
}

TEST(TintaroProgram, MenuWithoutACommandLineOnlyClicksAndWithOneStartsTheMenu) {
    {
        testsupport::TempDir dir;
        copyGame(dir);
        const std::string script = "wait 5\n" + std::string(kMenu) + "wait 5\ncapture still.bmp\n";
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_TRUE(fs::exists(run.captureDir + "/still.bmp")) << "the game went on";
        for (const auto& line : run.transcript) EXPECT_NE(line.rfind("launch", 0), 0u) << line;
    }
    {
        testsupport::TempDir dir;
        copyGame(dir);
        const std::string folder = "/games/menu folder";
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(kArms[0], false, x, y));
        const std::string script =
            "wait 5\n" + click(x, y) + std::string(kMenu) + "wait 5\ncapture late.bmp\n";
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {"--", folder}, dir.str());
        EXPECT_EQ(run.exitStatus, 0);
        int launches = 0;
        for (const auto& line : run.transcript)
            if (line.rfind("launch", 0) == 0) {
                ++launches;
                EXPECT_EQ(line, "launch\topen\t" + folder + "\\Gatefold.exe\tTintaro\t" + folder);
            }
        EXPECT_EQ(launches, 1);
        EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << "the game ended";
        // The move and the score were saved on the way out.
        EXPECT_EQ(readFile(dir.path() / "moves.dat").size(), 12u);
        EXPECT_EQ(int32At(readFile(dir.path() / "hiscore.dat"), 4 + 256), 400);
    }
    {
        // A folder too long for the menu's path starts nothing and the game goes on.
        testsupport::TempDir dir;
        copyGame(dir);
        const std::string script = "wait 5\n" + std::string(kMenu) + "wait 5\ncapture still.bmp\n";
        auto run = testsupport::runHeadless(kProgram, dir.str(), script,
                                            {"--", "/" + std::string(300, 'm')}, dir.str());
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_TRUE(fs::exists(run.captureDir + "/still.bmp"));
        for (const auto& line : run.transcript) EXPECT_NE(line.rfind("launch", 0), 0u);
    }
}

TEST(TintaroProgram, TheHelpPageOpensAndAClickAnywhereClosesIt) {
    testsupport::TempDir dir;
    copyGame(dir);
    const std::string script = "wait 5\ncapture game.bmp\n" + std::string(kHelp) +
                               "capture help.bmp\n" + click(700, 500) + "move 780 20\nwait 4\n" +
                               "capture back.bmp\n" + kExit;
    auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
    ASSERT_EQ(run.exitStatus, 0);
    const auto game = testsupport::readBmp24(run.captureDir + "/game.bmp");
    const auto help = testsupport::readBmp24(run.captureDir + "/help.bmp");
    const auto back = testsupport::readBmp24(run.captureDir + "/back.bmp");
    const auto page = testsupport::readBmp24(kGame + "/title/HowToPlay.bmp");
    ASSERT_TRUE(game.ok() && help.ok() && back.ok() && page.ok());
    // The page at (53, 20), pixel for pixel where it is opaque.
    int shown = 0, opaque = 0;
    for (int y = 0; y < page.height; y += 3)
        for (int x = 0; x < page.width; x += 3) {
            if (pureBlue(page, x, y)) continue;
            ++opaque;
            int r, g, b, pr, pg, pb;
            page.pixel(x, y, pr, pg, pb);
            help.pixel(53 + x, 20 + y, r, g, b);
            shown += (r >> 3) == (pr >> 3) && (g >> 2) == (pg >> 2) && (b >> 3) == (pb >> 3);
        }
    EXPECT_EQ(shown, opaque);
    // Closed: the board is back as it was.
    EXPECT_EQ(boardOf(back), startBoard());
    EXPECT_EQ(boardOf(game), startBoard());
}

TEST(TintaroProgram, ASecondStartResumesTheSavedGame) {
    int a = 0, b = 0, c = 0, d = 0;
    ASSERT_TRUE(armPoint(kArms[0], false, a, b));
    ASSERT_TRUE(armPoint(kArms[5], false, c, d));
    testsupport::TempDir dir;
    copyGame(dir);
    auto first = testsupport::runHeadless(
        kProgram, dir.str(), "wait 5\n" + click(a, b) + click(c, d) + "capture left.bmp\n" + kExit,
        {}, dir.str());
    ASSERT_EQ(first.exitStatus, 0);
    fs::create_directories(dir.path() / "second");
    auto second = testsupport::runHeadless(kProgram, dir.str(),
                                           "wait 5\ncapture resumed.bmp\nkey 1\nwait 5\n", {},
                                           dir.str() + "/second");
    ASSERT_EQ(second.exitStatus, 0);
    const std::string expected = boardAfter({{0, 0}, {1, 0}});
    const auto left = testsupport::readBmp24(first.captureDir + "/left.bmp");
    const auto resumed = testsupport::readBmp24(second.captureDir + "/resumed.bmp");
    EXPECT_EQ(boardOf(left), expected);
    EXPECT_EQ(boardOf(resumed), expected);
    // The numbers area too: same score, bonus and moves as when the game was left, with the
    // table's best now shown as well.
    int same = 0;
    for (int y = 90; y < 268; ++y)
        for (int x = 658; x < 774; ++x) {
            int r1, g1, b1, r2, g2, b2;
            left.pixel(x, y, r1, g1, b1);
            resumed.pixel(x, y, r2, g2, b2);
            same += r1 == r2 && g1 == g2 && b1 == b2;
        }
    EXPECT_EQ(same, 116 * 178);
}

}  // namespace
