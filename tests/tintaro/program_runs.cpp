// Tintaro driven through the headless contract: arms turning rings on the captured board,
// the panel, the numbers' files, the command buttons, the help page, the menu hand-over, the
// resumed game, the solved screen and the frame-rate display. The expected boards come from
// the rules themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "games/tintaro/wheel_game.h"
#include "games/tintaro/wheel_solver.h"
#include "qv/builtin_font.h"
#include "support/program_run.h"
#include "support/temp_dir.h"
#include "support/tintaro_arms.h"
#include "tintaro/solver.h"

namespace {

namespace fs = std::filesystem;
const std::string kGame = std::string(STUDIO_STAGE_DIR) + "/Tintaro";
const std::string kProgram = kGame + "/Tintaro-headless";

using testsupport::ArmPlace;
using testsupport::kArms;
const char* kExit = "click 750 545\nwait 5\n";
const char* kNewGame = "click 610 545\nwait 5\n";
const char* kMenu = "click 540 545\nwait 5\n";
const char* kHelp = "click 680 545\nwait 5\n";

// A game folder of its own: the pictures, sounds and settings, no saved files.
void copyGame(const fs::path& to) {
    for (const auto& entry : fs::recursive_directory_iterator(kGame)) {
        const fs::path relative = fs::relative(entry.path(), kGame);
        const std::string ext = entry.path().extension().string();
        if (entry.is_directory()) {
            fs::create_directories(to / relative);
        } else if (ext == ".bmp" || ext == ".wav" || ext == ".ini") {
            fs::copy_file(entry.path(), to / relative);
        }
    }
}
void copyGame(const testsupport::TempDir& dir) {
    copyGame(dir.path());
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

// Where a click turns `arm` in the staged game.
bool armPoint(const ArmPlace& arm, bool transparent, int& sx, int& sy) {
    return testsupport::armPoint(kGame, arm, transparent, sx, sy);
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

// Share of a page's opaque pixels the capture shows where the page is drawn.
double pageShown(const testsupport::Picture& shot, const testsupport::Picture& page, int x, int y) {
    int shown = 0, opaque = 0;
    for (int py = 0; py < page.height; py += 3)
        for (int px = 0; px < page.width; px += 3) {
            if (pureBlue(page, px, py)) continue;
            ++opaque;
            int r, g, b, pr, pg, pb;
            page.pixel(px, py, pr, pg, pb);
            shot.pixel(x + px, y + py, r, g, b);
            shown += (r >> 3) == (pr >> 3) && (g >> 2) == (pg >> 2) && (b >> 3) == (pb >> 3);
        }
    return opaque ? static_cast<double>(shown) / opaque : 0.0;
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

// A later start of the game saved in `dir`, captured as resumed.bmp and left with Esc; its
// transcript and captures go to the folder `run` inside dir.
testsupport::ProgramRun resumeAndCapture(const testsupport::TempDir& dir, const std::string& run) {
    fs::create_directories(dir.path() / run);
    return testsupport::runHeadless(kProgram, dir.str(),
                                    "wait 5\ncapture resumed.bmp\nkey 1\nwait 5\n", {},
                                    (dir.path() / run).string());
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
        ASSERT_GE(moves.size(), 12u) << arm.name;
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
    // Esc saved the new game: an empty log.
    EXPECT_EQ(readFile(dir.path() / "moves.dat"), std::string(4, '\0'));
}

TEST(TintaroProgram, EveryWayOfLeavingSavesTheGameAsExitDoes) {
    std::string turns = "wait 5\n";
    for (int i : {0, 2, 4}) {
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(kArms[i], false, x, y));
        turns += click(x, y);
    }
    auto leave = [&](const std::string& script, const testsupport::TempDir& dir) {
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
        EXPECT_EQ(run.exitStatus, 0) << script;
        for (const auto& line : run.transcript) EXPECT_NE(line.rfind("messagebox", 0), 0u) << line;
    };
    // Compared whole, without printing kilobytes of table on a failure.
    auto same = [](const fs::path& file, const std::string& bytes) {
        return readFile(file) == bytes;
    };
    testsupport::TempDir byExit;
    copyGame(byExit);
    leave(turns + kExit, byExit);
    const std::string moves = readFile(byExit.path() / "moves.dat");
    const std::string table = readFile(byExit.path() / "hiscore.dat");
    ASSERT_EQ(int32At(moves, 0), 3);
    ASSERT_GT(int32At(table, 4 + 256), 0);
    // Esc, the window closed (also with the help page open) and the script's end.
    for (const std::string& ending :
         std::vector<std::string>{"key 1\nwait 10\n", "close\nwait 10\n",
                                  std::string(kHelp) + "close\nwait 10\n", std::string()}) {
        testsupport::TempDir dir;
        copyGame(dir);
        leave(turns + ending, dir);
        EXPECT_TRUE(same(dir.path() / "moves.dat", moves)) << ending;
        EXPECT_TRUE(same(dir.path() / "hiscore.dat", table)) << ending;
        // Resumed and closed again: the game keeps its one row.
        leave("wait 5\nclose\nwait 10\n", dir);
        EXPECT_TRUE(same(dir.path() / "hiscore.dat", table)) << ending;
    }
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
        // A menu folder that exists (a missing one starts nothing), with a space in its name.
        const std::string folder = dir.str() + "/menu folder";
        fs::create_directories(folder);
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
        EXPECT_EQ(int32At(readFile(dir.path() / "moves.dat"), 0), 1);
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
    {
        // A menu folder that is gone: the game says so and stays, its turn still there.
        testsupport::TempDir dir;
        copyGame(dir);
        const std::string folder = dir.str() + "/removed menu";
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(kArms[0], false, x, y));
        const std::string script = "wait 5\n" + click(x, y) + std::string(kMenu) +
                                   "wait 5\ncapture stayed.bmp\n" + std::string(kExit);
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {"--", folder}, dir.str());
        EXPECT_EQ(run.exitStatus, 0);
        ASSERT_TRUE(fs::exists(run.captureDir + "/stayed.bmp")) << "the game ended";
        EXPECT_EQ(boardOf(testsupport::readBmp24(run.captureDir + "/stayed.bmp")),
                  boardAfter({{0, 0}}));
        std::vector<std::string> boxes;
        for (const auto& line : run.transcript) {
            EXPECT_NE(line.rfind("launch", 0), 0u) << line;
            if (line.rfind("messagebox", 0) == 0) boxes.push_back(line);
        }
        EXPECT_EQ(boxes,
                  std::vector<std::string>{"messagebox\tThe menu could not be started from " +
                                           folder + ". The game goes on.\tTintaro"});
        EXPECT_EQ(int32At(readFile(dir.path() / "moves.dat"), 0), 1);
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
    EXPECT_EQ(pageShown(help, page, 53, 20), 1.0);
    // Closed: the board is back as it was.
    EXPECT_EQ(boardOf(back), startBoard());
    EXPECT_EQ(boardOf(game), startBoard());
}

// Esc closes the help page as a click on it does, and the game goes on: the board comes back
// pixel for pixel and an arm turns its ring. With the page closed, Esc ends the game.
TEST(TintaroProgram, EscClosesTheHelpPageAndWithItClosedEndsTheGame) {
    const ArmPlace& arm = kArms[0];
    int x = 0, y = 0;
    ASSERT_TRUE(armPoint(arm, false, x, y));
    testsupport::TempDir dir;
    copyGame(dir);
    const std::string still = "move 5 5\nwait 4\n";
    const std::string script = "wait 5\n" + still + "capture game.bmp\n" + kHelp +
                               "capture help.bmp\nkey 1\nwait 4\n" + still + "capture back.bmp\n" +
                               click(x, y) +
                               "capture turned.bmp\nkey 1\nwait 5\ncapture late.bmp\n";
    auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
    EXPECT_EQ(run.exitStatus, 0);
    auto shot = [&run](const char* name) {
        return testsupport::readBmp24(run.captureDir + "/" + name);
    };
    const auto game = shot("game.bmp"), help = shot("help.bmp"), back = shot("back.bmp");
    ASSERT_TRUE(game.ok() && help.ok());
    ASSERT_TRUE(back.ok()) << "Esc ended the game with the help page open";
    auto differ = [](const testsupport::Picture& a, const testsupport::Picture& b) {
        int n = 0;
        for (size_t i = 0; i + 2 < a.rgb.size() && i + 2 < b.rgb.size(); i += 3)
            n += a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] ||
                 a.rgb[i + 2] != b.rgb[i + 2];
        return n;
    };
    EXPECT_GT(differ(game, help), 10000) << "the page was shown";
    EXPECT_EQ(differ(game, back), 0);
    EXPECT_EQ(boardOf(shot("turned.bmp")), boardAfter({{arm.ring, arm.direction}}));
    EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp"));
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.back(), "exit\t0");
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
    auto second = resumeAndCapture(dir, "second");
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

// moves.dat holding these clicks, as the game writes it.
void writeMoves(const fs::path& file, const std::vector<std::pair<int, int>>& clicks) {
    std::string bytes;
    auto put = [&bytes](std::int32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
    put(static_cast<std::int32_t>(clicks.size()));
    for (auto [ring, direction] : clicks) {
        put(ring);
        put(direction);
    }
    std::ofstream(file, std::ios::binary) << bytes;
}

const ArmPlace& armFor(int ring, int direction) {
    for (const ArmPlace& arm : kArms)
        if (arm.ring == ring && (arm.direction != 0) == (direction != 0)) return arm;
    return kArms[0];
}

// Pixels of the box that differ between two captures, in 16-bit colour.
int differingPixels(const testsupport::Picture& a, const testsupport::Picture& b, int x0, int y0,
                    int w, int h) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            int r1, g1, b1, r2, g2, b2;
            a.pixel(x, y, r1, g1, b1);
            b.pixel(x, y, r2, g2, b2);
            n += (r1 >> 3) != (r2 >> 3) || (g1 >> 2) != (g2 >> 2) || (b1 >> 3) != (b2 >> 3);
        }
    return n;
}

TEST(TintaroProgram, TheSolvedScreenShowsTheWholeCongratulationLiveAndResumed) {
    tintarotest::Solver solver;
    const std::vector<tintarotest::Click> clicks = solver.solve(startBoard(), 120);
    ASSERT_FALSE(clicks.empty());
    testsupport::TempDir dir;
    copyGame(dir);
    // The game is resumed one click short of solved; the player makes that click.
    writeMoves(dir.path() / "moves.dat", {clicks.begin(), clicks.end() - 1});
    int x = 0, y = 0;
    ASSERT_TRUE(armPoint(armFor(clicks.back().first, clicks.back().second), false, x, y));
    auto live = testsupport::runHeadless(
        kProgram, dir.str(), "wait 5\n" + click(x, y) + "wait 3\ncapture solved.bmp\n" + kExit, {},
        dir.str());
    ASSERT_EQ(live.exitStatus, 0);
    auto resumed = resumeAndCapture(dir, "again");
    ASSERT_EQ(resumed.exitStatus, 0);

    const auto solved = testsupport::readBmp24(live.captureDir + "/solved.bmp");
    const auto again = testsupport::readBmp24(resumed.captureDir + "/resumed.bmp");
    const auto congrats = testsupport::readBmp24(kGame + "/congrats.bmp");
    ASSERT_TRUE(solved.ok() && again.ok() && congrats.ok());
    const int opaque = opaquePixels("congrats.bmp", 1, 0);
    EXPECT_EQ(matchingPixels(solved, "congrats.bmp", 1, 0, 159, 73), opaque) << "live";
    EXPECT_EQ(matchingPixels(again, "congrats.bmp", 1, 0, 159, 73), opaque) << "resumed";
    // The resumed game shows the panel, score, bonus and moves of the live solve; only the
    // best differs, as the solve has entered the table since.
    EXPECT_EQ(differingPixels(solved, again, 9, 21, 130, 430), 0) << "panel";
    EXPECT_EQ(differingPixels(solved, again, 658, 90, 116, 178), 0) << "numbers";
    EXPECT_GT(differingPixels(solved, again, 658, 20, 116, 60), 0) << "best";
}

TEST(TintaroProgram, AResumedGameKeepsOneRowInTheHallOfFame) {
    // A second click that raises the score above the first click's 400.
    int better = -1;
    for (int i = 0; i < 6 && better < 0; ++i) {
        WheelGame game;
        std::memcpy(game.cells, tintaro::startLayout, tintaro::kCells);
        game.rotateRing(0, 0);
        game.evaluateBoard(0);
        game.rotateRing(kArms[i].ring, kArms[i].direction);
        game.evaluateBoard(0);
        if (game.getScore() > 400) better = i;
    }
    ASSERT_GE(better, 0);
    int ax = 0, ay = 0, bx = 0, by = 0;
    ASSERT_TRUE(armPoint(kArms[0], false, ax, ay));
    ASSERT_TRUE(armPoint(kArms[better], false, bx, by));
    testsupport::TempDir dir;
    copyGame(dir);
    auto rows = [&dir] {
        const std::string table = readFile(dir.path() / "hiscore.dat");
        std::vector<std::pair<std::string, int>> out;
        for (int i = 0; i < 20 && table.size() == 5204u; ++i) {
            const std::string name(table.data() + 4 + 260 * i);
            if (!name.empty()) out.push_back({name, int32At(table, 4 + 260 * i + 256)});
        }
        return out;
    };
    using Rows = std::vector<std::pair<std::string, int>>;
    ASSERT_EQ(testsupport::runHeadless(kProgram, dir.str(), "wait 5\n" + click(ax, ay) + kExit, {},
                                       dir.str())
                  .exitStatus,
              0);
    EXPECT_EQ(rows(), (Rows{{"Player1:::Y", 400}}));
    // Resumed and left again with the same score: still one row.
    ASSERT_EQ(testsupport::runHeadless(kProgram, dir.str(), "wait 5\n" + std::string(kExit), {},
                                       dir.str())
                  .exitStatus,
              0);
    EXPECT_EQ(rows(), (Rows{{"Player1:::Y", 400}}));
    // The moves are where they always were, in front of what the game remembers of its row.
    const std::string moves = readFile(dir.path() / "moves.dat");
    ASSERT_GE(moves.size(), 12u);
    EXPECT_EQ(int32At(moves, 0), 1);
    EXPECT_EQ(int32At(moves, 4), 0);
    // Resumed, improved and left through "menu": the row is updated, not doubled.
    WheelGame reference;
    std::memcpy(reference.cells, tintaro::startLayout, tintaro::kCells);
    reference.rotateRing(0, 0);
    reference.evaluateBoard(0);
    reference.rotateRing(kArms[better].ring, kArms[better].direction);
    reference.evaluateBoard(0);
    ASSERT_EQ(testsupport::runHeadless(kProgram, dir.str(),
                                       "wait 5\n" + click(bx, by) + std::string(kMenu) + "wait 5\n",
                                       {"--", dir.str()}, dir.str())
                  .exitStatus,
              0);
    EXPECT_EQ(rows(), (Rows{{"Player1:::Y", reference.getScore()}}));
    // A new game is a new entry.
    ASSERT_EQ(testsupport::runHeadless(kProgram, dir.str(),
                                       "wait 5\n" + std::string(kNewGame) + click(ax, ay) + kExit,
                                       {}, dir.str())
                  .exitStatus,
              0);
    EXPECT_EQ(rows(), (Rows{{"Player1:::Y", reference.getScore()}, {"Player1:::Y", 400}}));
}

// The frame-rate text a capture shows at (580, 0) over the scene `before`: the text whose
// glyphs, shadows included, account for every pixel of the area; empty when none does.
std::string fpsText(const testsupport::Picture& shot, const testsupport::Picture& before) {
    constexpr int kX = 580, kHeight = 16, kCells = 9;
    auto quantised = [](const testsupport::Picture& p, int x, int y) {
        int r, g, b;
        p.pixel(x, y, r, g, b);
        return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    };
    const int white = 0xFFFF, shadow = 0x0841;
    const int s = qvfont::kScale;
    auto lit = [](int c, int row, int col) {
        return (qvfont::kGlyphs[c][row] & (0x10 >> col)) != 0;
    };
    std::string text;
    for (int i = 0; i < kCells; ++i) {
        const int cx = kX + i * qvfont::kAdvance;
        int found = -1;
        for (int c = 0; c < 95 && found < 0; ++c) {
            bool same = true;
            for (int row = 0; row < qvfont::kGlyphHeight && same; ++row)
                for (int col = 0; col < qvfont::kGlyphWidth && same; ++col)
                    same = lit(c, row, col) == (quantised(shot, cx + col * s, row * s) == white);
            if (same) found = c;
        }
        if (found < 0) return "";
        text += static_cast<char>(32 + found);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    // Drawn again over the scene, the text must give the capture's area pixel for pixel.
    std::vector<int> expected(static_cast<size_t>(800 - kX) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = kX; x < 800; ++x) expected[y * (800 - kX) + x - kX] = quantised(before, x, y);
    for (size_t i = 0; i < text.size(); ++i)
        for (int pass = 0; pass < 2; ++pass)
            for (int row = 0; row < qvfont::kGlyphHeight; ++row)
                for (int col = 0; col < qvfont::kGlyphWidth; ++col) {
                    if (!lit(text[i] - 32, row, col)) continue;
                    for (int sy = 0; sy < s; ++sy)
                        for (int sx = 0; sx < s; ++sx) {
                            const int x = kX + static_cast<int>(i) * qvfont::kAdvance + col * s +
                                          sx + (pass == 0 ? 1 : 0);
                            const int y = row * s + sy + (pass == 0 ? 1 : 0);
                            if (x < 800 && y < kHeight)
                                expected[y * (800 - kX) + x - kX] = pass == 0 ? shadow : white;
                        }
                }
    for (int y = 0; y < kHeight; ++y)
        for (int x = kX; x < 800; ++x)
            if (expected[y * (800 - kX) + x - kX] != quantised(shot, x, y)) return "";
    return text;
}

TEST(TintaroProgram, TheMenuUploadsTheMovesOfTheGameThatMadeTheTopRow) {
    // Blue top (ring 0 clockwise), magenta right (ring 2 counter-clockwise), yellow bottom
    // (ring 1 clockwise): the codes 0, 5 and 2.
    const std::vector<const ArmPlace*> played = {&kArms[0], &kArms[3], &kArms[5]};
    WheelGame rules;
    std::memcpy(rules.cells, tintaro::startLayout, tintaro::kCells);
    std::string script = "wait 5\n";
    for (const ArmPlace* a : played) {
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(*a, false, x, y));
        script += click(x, y);
        rules.rotateRing(a->ring, a->direction);
        rules.evaluateBoard(0);
    }
    ASSERT_GT(rules.getScore(), 0);
    // A menu folder with the game's folder in it, as installed.
    testsupport::TempDir menu;
    for (const auto& e : fs::directory_iterator(STUDIO_STAGE_DIR)) {
        const std::string ext = e.path().extension().string();
        if (e.is_regular_file() && (ext == ".bmp" || ext == ".ini"))
            fs::copy_file(e.path(), menu.path() / e.path().filename());
    }
    const fs::path game = menu.path() / "Tintaro";
    fs::create_directories(game);
    copyGame(game);
    ASSERT_EQ(testsupport::runHeadless(kProgram, game.string(), script + kExit, {}, game.string())
                  .exitStatus,
              0);
    ASSERT_TRUE(fs::exists(game / "hiscore.moves"));
    // The menu: Tintaro's slot, High Scores, Upload.
    auto menuClick = [](int x, int y) {
        return "move " + std::to_string(x) + " " + std::to_string(y) + "\nwait 2\nclick " +
               std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
    };
    const auto run =
        testsupport::runHeadless(std::string(STUDIO_STAGE_DIR) + "/Gatefold-headless", menu.str(),
                                 "wait 5\n" + menuClick(74, 180) + menuClick(108, 390) +
                                     menuClick(615, 116) + "key 1\nwait 10\n",
                                 {}, menu.str());
    ASSERT_EQ(run.exitStatus, 0);
    std::vector<std::string> launches;
    for (const auto& line : run.transcript)
        if (line.rfind("launch\t", 0) == 0) launches.push_back(line);
    EXPECT_EQ(launches, std::vector<std::string>{
                            "launch\topen\thttp://www.example.com/cgi-bin/hiscore.cgi?game=Tintaro"
                            "&name=Player1%3A%3A%3AY&score=" +
                            std::to_string(rules.getScore() ^ 0x3C3C3C3) + "&moves=052\t\t"});
}

TEST(TintaroProgram, F1ShowsOneReadableFrameRateAndTakesItAwayAgain) {
    testsupport::TempDir dir;
    copyGame(dir);
    int x = 0, y = 0;
    ASSERT_TRUE(armPoint(kArms[0], false, x, y));
    const std::string script = "wait 5\ncapture before.bmp\nkey 59\nwait 30\ncapture on1.bmp\n" +
                               click(x, y) + "wait 57\ncapture on2.bmp\nkey 59\nwait 5\n" +
                               "capture off.bmp\n" + kExit;
    auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
    ASSERT_EQ(run.exitStatus, 0);
    const auto before = testsupport::readBmp24(run.captureDir + "/before.bmp");
    ASSERT_TRUE(before.ok());
    for (const char* name : {"on1.bmp", "on2.bmp"}) {
        const auto on = testsupport::readBmp24(run.captureDir + "/" + name);
        ASSERT_TRUE(on.ok()) << name;
        const std::string text = fpsText(on, before);
        // One reading, "%5.2f": digits, a point and two decimals.
        ASSERT_GE(text.size(), 5u) << name;
        EXPECT_EQ(text[text.size() - 3], '.') << name << ": " << text;
        EXPECT_EQ(text.find_first_not_of(" 0123456789."), std::string::npos)
            << name << ": " << text;
    }
    const auto off = testsupport::readBmp24(run.captureDir + "/off.bmp");
    ASSERT_TRUE(off.ok());
    EXPECT_EQ(differingPixels(before, off, 580, 0, 220, 16), 0);
}

TEST(TintaroProgram, InAnInstalledTreeEachUsersSavesGoToTheirOwnDataFolder) {
    int x = 0, y = 0;
    ASSERT_TRUE(armPoint(kArms[0], false, x, y));
    testsupport::TempDir dir;
    const fs::path menu = dir.path() / "menu";
    const fs::path game = menu / "Tintaro";
    fs::create_directories(game);
    testsupport::TempDir gameFiles;
    copyGame(gameFiles);
    fs::copy(gameFiles.path(), game, fs::copy_options::recursive);
    std::ofstream(menu / "userdata.ini") << "[userdata]\nfolder=Gatefold\n";
    auto runAs = [&](const std::string& user, const std::string& script) {
        ::setenv("XDG_DATA_HOME", (dir.path() / user).c_str(), 1);
        auto run = testsupport::runHeadless(kProgram, game.string(), script, {},
                                            (dir.path() / ("work-" + user)).string());
        ::unsetenv("XDG_DATA_HOME");
        return run;
    };
    fs::create_directories(dir.path() / "work-anna");
    fs::create_directories(dir.path() / "work-ben");
    ASSERT_EQ(runAs("anna", "wait 5\n" + click(x, y) + kExit).exitStatus, 0);
    // Anna's game and score are in her folder, laid out as the tree; the tree is untouched.
    const fs::path anna = dir.path() / "anna" / "Gatefold" / "Tintaro";
    EXPECT_EQ(int32At(readFile(anna / "moves.dat"), 0), 1);
    EXPECT_EQ(readFile(anna / "hiscore.dat").size(), 5204u);
    EXPECT_FALSE(fs::exists(game / "moves.dat"));
    EXPECT_FALSE(fs::exists(game / "hiscore.dat"));
    // Her next start resumes it; Ben starts afresh and leaves hers alone.
    auto resumed = runAs("anna", "wait 5\ncapture resumed.bmp\nkey 1\nwait 5\n");
    ASSERT_EQ(resumed.exitStatus, 0);
    EXPECT_EQ(boardOf(testsupport::readBmp24(resumed.captureDir + "/resumed.bmp")),
              boardAfter({{0, 0}}));
    const std::string annasMoves = readFile(anna / "moves.dat");
    auto ben = runAs("ben", "wait 5\ncapture fresh.bmp\n" + std::string(kNewGame) + kExit);
    ASSERT_EQ(ben.exitStatus, 0);
    EXPECT_EQ(boardOf(testsupport::readBmp24(ben.captureDir + "/fresh.bmp")), startBoard());
    EXPECT_EQ(readFile(dir.path() / "ben" / "Gatefold" / "Tintaro" / "moves.dat"),
              std::string(4, '\0'));
    EXPECT_EQ(readFile(anna / "moves.dat"), annasMoves);
    EXPECT_FALSE(fs::exists(game / "moves.dat"));
}

// The arms a capture shows in their highlighted look, by index in kArms: every opaque pixel
// of the arm's second image is on screen. The strips are read once.
std::vector<int> litArms(const testsupport::Picture& shot) {
    static const std::vector<testsupport::Picture> strips = [] {
        std::vector<testsupport::Picture> out;
        for (const ArmPlace& arm : kArms)
            out.push_back(testsupport::readBmp24(kGame + "/" + arm.file));
        return out;
    }();
    std::vector<int> lit;
    for (int i = 0; i < 6; ++i) {
        const testsupport::Picture& strip = strips[static_cast<size_t>(i)];
        const int w = strip.width / 2;
        bool all = strip.ok();
        for (int y = 0; y < strip.height && all; ++y)
            for (int x = 0; x < w && all; ++x) {
                if (pureBlue(strip, w + x, y)) continue;
                int r, g, b, sr, sg, sb;
                strip.pixel(w + x, y, sr, sg, sb);
                shot.pixel(kArms[i].x + x, kArms[i].y + y, r, g, b);
                all = (r >> 3) == (sr >> 3) && (g >> 2) == (sg >> 2) && (b >> 3) == (sb >> 3);
            }
        if (all) lit.push_back(i);
    }
    return lit;
}

TEST(TintaroProgram, APlayerWhoOnlyClicksTheHintedArmsSolvesThePuzzle) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Sanitizer builds run the solver many times slower than the suite's time allows for a
    // whole game: there one hint on the start layout lights exactly one arm.
    testsupport::TempDir quick;
    copyGame(quick);
    auto run = testsupport::runHeadless(
        kProgram, quick.str(),
        "wait 5\nmove 790 590\nwait 2\nkey 35\nwait 2\ncapture hint.bmp\n" + std::string(kExit), {},
        quick.str());
    ASSERT_EQ(run.exitStatus, 0);
    EXPECT_EQ(litArms(testsupport::readBmp24(run.captureDir + "/hint.bmp")).size(), 1u);
    return;
#endif
    // What the game will plan from a board: the same solver, the same board.
    const tintaro::WheelSolver solver;
    // The start layout, and three boards a few random clicks away from nearly solved ones (a
    // solve from the start cut short, then the clicks): reachable without passing through
    // the solved board, and quick to play out.
    const std::string start = startBoard();
    std::vector<std::pair<int, int>> solve;
    for (const tintaro::Click& c : solver.solve(start.data()))
        solve.push_back({c.ring, c.direction});
    ASSERT_FALSE(solve.empty());
    std::mt19937 random(20261208);
    std::vector<std::vector<std::pair<int, int>>> openings(4);
    for (size_t i = 1; i < openings.size(); ++i) {
        openings[i].assign(solve.begin(), solve.end() - static_cast<long>(10 * i));
        for (int k = 0; k < 8; ++k)
            openings[i].push_back({static_cast<int>(random() % 3), static_cast<int>(random() % 2)});
    }
    for (size_t o = 0; o < openings.size(); ++o) {
        testsupport::TempDir dir;
        copyGame(dir);
        std::vector<std::pair<int, int>> played = openings[o];
        bool solved = false;
        // In runs of up to 60 hints, each resuming the saved game, so few captures pile up.
        for (int chunk = 0; chunk < 20 && !solved; ++chunk) {
            writeMoves(dir.path() / "moves.dat", played);
            const std::string board = boardAfter(played);
            const std::vector<tintaro::Click> plan = solver.solve(board.data());
            ASSERT_FALSE(plan.empty()) << "opening " << o;
            const size_t n = std::min<size_t>(60, plan.size());
            std::string script = "wait 5\n";
            for (size_t k = 0; k < n; ++k) {
                int x = 0, y = 0;
                ASSERT_TRUE(armPoint(armFor(plan[k].ring, plan[k].direction), false, x, y));
                // The pointer rests off the arms, so only the hint can light one.
                script += "move 790 590\nwait 2\nkey 35\nwait 2\ncapture hint" + std::to_string(k) +
                          ".bmp\n" + click(x, y);
            }
            script += kExit;
            auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
            ASSERT_EQ(run.exitStatus, 0);
            for (size_t k = 0; k < n; ++k) {
                const std::string file = run.captureDir + "/hint" + std::to_string(k) + ".bmp";
                const auto shot = testsupport::readBmp24(file);
                ASSERT_TRUE(shot.ok()) << file;
                const ArmPlace& expected = armFor(plan[k].ring, plan[k].direction);
                const std::vector<int> lit = litArms(shot);
                ASSERT_EQ(lit.size(), 1u) << "opening " << o << ", hint " << played.size() + k;
                EXPECT_STREQ(kArms[lit[0]].name, expected.name);
                fs::remove(file);
            }
            for (size_t k = 0; k < n; ++k) played.push_back({plan[k].ring, plan[k].direction});
            // A hint is not a move: the saved game holds exactly the clicks.
            EXPECT_EQ(int32At(readFile(dir.path() / "moves.dat"), 0),
                      static_cast<std::int32_t>(played.size()));
            solved = n == plan.size();
        }
        ASSERT_TRUE(solved) << "opening " << o;
        // The game itself agrees: resumed, it shows the congratulation.
        auto resumed = resumeAndCapture(dir, "end");
        ASSERT_EQ(resumed.exitStatus, 0);
        EXPECT_EQ(matchingPixels(testsupport::readBmp24(resumed.captureDir + "/resumed.bmp"),
                                 "congrats.bmp", 1, 0, 159, 73),
                  opaquePixels("congrats.bmp", 1, 0))
            << "opening " << o;
    }
}

// A game folder inside `root`, with the menu's options.ini beside it turning the music off: a
// start then does not wait for the music to fade in.
fs::path quietGame(const testsupport::TempDir& root) {
    const fs::path game = root.path() / "Tintaro";
    fs::create_directories(game);
    for (const auto& entry : fs::recursive_directory_iterator(kGame)) {
        const fs::path relative = fs::relative(entry.path(), kGame);
        const std::string ext = entry.path().extension().string();
        if (entry.is_directory())
            fs::create_directories(game / relative);
        else if (ext == ".bmp" || ext == ".wav" || ext == ".ini")
            fs::copy_file(entry.path(), game / relative);
    }
    root.write("options.ini", "[setup]\r\nmusic=N\r\n");
    return game;
}

// A player who plays one click a sitting: every run resumes moves.dat, clicks the arm the
// previous run's hint lit (every `ownEvery`-th click a random arm instead, 0 for never),
// asks for a hint, captures it and leaves with Exit, until the game shows itself solved.
struct Walk {
    bool solved = false;
    int hinted = 0;  // clicks on the lit arm
    int own = 0;     // random clicks
};

Walk walkOneClickASitting(const fs::path& game, std::vector<std::pair<int, int>> played,
                          int maxRuns, int ownEvery, std::mt19937& random) {
    const int congrats = opaquePixels("congrats.bmp", 1, 0);
    // Where to click each arm, found once.
    std::vector<std::pair<int, int>> points;
    for (const ArmPlace& arm : kArms) {
        int x = 0, y = 0;
        EXPECT_TRUE(armPoint(arm, false, x, y));
        points.push_back({x, y});
    }
    writeMoves(game / "moves.dat", played);
    Walk walk;
    int next = -1;  // the arm to click this run, by index in kArms
    bool lastWasHinted = false;
    for (int run = 0; run < maxRuns; ++run) {
        std::string script = "wait 5\n";
        if (next >= 0) {
            const auto [x, y] = points[static_cast<size_t>(next)];
            script += click(x, y);
        }
        // The pointer rests off the arms, so only the hint can light one.
        script += "move 790 590\nwait 2\nkey 35\nwait 2\ncapture hint.bmp\n" + std::string(kExit);
        const auto result =
            testsupport::runHeadless(kProgram, game.string(), script, {}, game.string());
        EXPECT_EQ(result.exitStatus, 0);
        if (next >= 0) played.push_back({kArms[next].ring, kArms[next].direction});
        // A hint is not a move: the saved moves are exactly the clicks, whatever follows them.
        std::string records;
        for (auto [ring, direction] : played) {
            records.append(reinterpret_cast<const char*>(&ring), 4);
            records.append(reinterpret_cast<const char*>(&direction), 4);
        }
        const std::string saved = readFile(game / "moves.dat");
        EXPECT_EQ(int32At(saved, 0), static_cast<std::int32_t>(played.size()));
        EXPECT_EQ(saved.substr(4, records.size()), records) << "after " << played.size();
        const auto shot = testsupport::readBmp24(result.captureDir + "/hint.bmp");
        EXPECT_TRUE(shot.ok());
        // Solved by the rules, the game must show it; the arms are gone then.
        if (tintaro::WheelSolver::solved(boardAfter(played).data())) {
            walk.solved = matchingPixels(shot, "congrats.bmp", 1, 0, 159, 73) == congrats;
            return walk;
        }
        const std::vector<int> lit = litArms(shot);
        if (lit.size() != 1u) {
            ADD_FAILURE() << lit.size() << " arms lit after " << played.size() << " clicks";
            return walk;
        }
        // The hint never undoes the hinted click just made: that arm's ring the other way.
        if (lastWasHinted) {
            EXPECT_FALSE(kArms[lit[0]].ring == played.back().first &&
                         (kArms[lit[0]].direction != 0) != (played.back().second != 0))
                << "undoes click " << played.size();
        }
        lastWasHinted = !(ownEvery > 0 && (walk.hinted + walk.own + 1) % ownEvery == 0);
        next = lastWasHinted ? lit[0] : static_cast<int>(random() % 6);
        ++(lastWasHinted ? walk.hinted : walk.own);
    }
    return walk;
}

// Openings near the solved board: a solve from the start cut `cut` clicks before its end,
// checked not to pass through the solved board (its replay would show the game solved).
std::vector<std::pair<int, int>> nearlySolved(const tintaro::WheelSolver& solver, size_t cut) {
    std::vector<std::pair<int, int>> clicks;
    for (const tintaro::Click& c : solver.solve(startBoard().data()))
        clicks.push_back({c.ring, c.direction});
    EXPECT_GT(clicks.size(), cut);
    clicks.resize(clicks.size() > cut ? clicks.size() - cut : 0);
    std::string board = startBoard();
    for (auto [ring, direction] : clicks) {
        EXPECT_FALSE(tintaro::WheelSolver::solved(board.data()));
        tintaro::turnRing(board.data(), ring, direction);
    }
    EXPECT_FALSE(tintaro::WheelSolver::solved(board.data()));
    return clicks;
}

TEST(TintaroProgram, APlayerWhoResumesTheGameBeforeEveryHintedClickSolvesThePuzzle) {
    const tintaro::WheelSolver solver;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Sanitizer builds start the program many times slower: only a short walk there.
    const std::vector<size_t> cuts = {6};
    const bool fromStart = false;
#else
    const std::vector<size_t> cuts = {15, 40};
    const bool fromStart = true;
#endif
    std::vector<std::vector<std::pair<int, int>>> openings;
    if (fromStart) openings.push_back({});
    for (size_t cut : cuts) openings.push_back(nearlySolved(solver, cut));
    std::mt19937 random(20261209);
    for (size_t o = 0; o < openings.size(); ++o) {
        // The game plans once, from the board it resumes, and follows that plan to the end.
        const size_t planned = solver.solve(boardAfter(openings[o]).data()).size();
        ASSERT_GT(planned, 0u);
        testsupport::TempDir root;
        const Walk walk = walkOneClickASitting(quietGame(root), openings[o],
                                               static_cast<int>(planned) + 1, 0, random);
        std::printf("opening %zu: planned %zu, solved %d after %d clicks\n", o, planned,
                    walk.solved ? 1 : 0, walk.hinted);
        EXPECT_TRUE(walk.solved) << "opening " << o << " after " << walk.hinted << " clicks";
        EXPECT_EQ(walk.hinted, static_cast<int>(planned)) << "opening " << o;
    }
}

TEST(TintaroProgram, ClicksOfThePlayersOwnBetweenHintsEachLengthenTheWayByOneAtMost) {
    const tintaro::WheelSolver solver;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const size_t cut = 8;
#else
    const size_t cut = 40;
#endif
    const std::vector<std::pair<int, int>> opening = nearlySolved(solver, cut);
    const int planned = static_cast<int>(solver.solve(boardAfter(opening).data()).size());
    ASSERT_GT(planned, 0);
    testsupport::TempDir root;
    std::mt19937 random(20261210);
    // Every fifth click a random arm: each may add one click to the way, no more.
    const Walk walk = walkOneClickASitting(quietGame(root), opening, 2 * planned + 10, 5, random);
    std::printf("planned %d, solved %d after %d hinted and %d own clicks\n", planned,
                walk.solved ? 1 : 0, walk.hinted, walk.own);
    EXPECT_TRUE(walk.solved) << walk.hinted << " hinted and " << walk.own << " own clicks";
    EXPECT_GT(walk.own, 0);
    EXPECT_LE(walk.hinted, planned + walk.own);
}

// The whole game without a mouse, once with keys and once with a pad: the focus shows on the
// blue ring's upper arm, pressing it turns the ring, the hint lights an arm and gives it the
// focus, pressing follows it, the help page (the pad's own when a pad is in use) opens and
// closes, and leaving saves both moves.
TEST(TintaroProgram, TheGamePlaysWithKeysAloneAndWithAPadAlone) {
    for (const bool pad : {false, true}) {
        const char* what = pad ? "pad" : "keys";
        auto press = [pad](int key, const char* button) {
            return (pad ? "pad " + std::string(button) : "key " + std::to_string(key)) +
                   "\nwait 3\n";
        };
        testsupport::TempDir dir;
        copyGame(dir);
        // To Help from the hinted arm: down to the command row, then right along it. The
        // pad opens it with Start.
        const std::string toHelp =
            pad ? press(0, "start")
                : press(208, "") + press(205, "") + press(205, "") + press(205, "") + press(28, "");
        const std::string script =
            "wait 5\n" + press(205, "dpright") + "capture shown.bmp\n" + press(28, "a") +
            "capture turned.bmp\n" + press(35, "y") + "capture hint.bmp\n" + press(28, "a") +
            "capture followed.bmp\n" + toHelp + "capture help.bmp\n" + press(1, "b") +
            "wait 5\ncapture closed.bmp\n" + press(1, "b") + "wait 5\ncapture late.bmp\n";
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
        ASSERT_EQ(run.exitStatus, 0) << what;
        auto shot = [&run](const char* name) {
            return testsupport::readBmp24(run.captureDir + "/" + name);
        };
        const auto shown = shot("shown.bmp"), turned = shot("turned.bmp"), hint = shot("hint.bmp");
        const auto followed = shot("followed.bmp"), help = shot("help.bmp");
        const auto closed = shot("closed.bmp");
        ASSERT_TRUE(shown.ok() && turned.ok() && hint.ok() && followed.ok() && help.ok() &&
                    closed.ok())
            << what;
        const auto bluetop = testsupport::readBmp24(kGame + "/bluetop.bmp");
        EXPECT_TRUE(testsupport::glowAround(shown, 272, 161, bluetop.width / 2, bluetop.height))
            << what;
        EXPECT_EQ(boardOf(shown), startBoard()) << what;
        EXPECT_EQ(boardOf(turned), boardAfter({{0, 0}})) << what;

        const std::vector<int> lit = litArms(hint);
        ASSERT_EQ(lit.size(), 1u) << what;
        const ArmPlace& hinted = kArms[lit[0]];
        const auto arm = testsupport::readBmp24(kGame + "/" + hinted.file);
        EXPECT_TRUE(testsupport::glowAround(hint, hinted.x, hinted.y, arm.width / 2, arm.height))
            << what << ": the lit arm has the focus";
        const std::string after = boardAfter({{0, 0}, {hinted.ring, hinted.direction}});
        EXPECT_EQ(boardOf(followed), after) << what;

        const auto page = testsupport::readBmp24(
            kGame + (pad ? "/title/HowToPlayPad.bmp" : "/title/HowToPlay.bmp"));
        ASSERT_TRUE(page.ok()) << what;
        EXPECT_GT(pageShown(help, page, 53, 20), 0.99) << what;
        EXPECT_LT(pageShown(closed, page, 53, 20), 0.5) << what;
        EXPECT_EQ(boardOf(closed), after) << what;

        // Esc, or the pad's B (Exit), ended the game and saved both moves.
        EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << what;
        const std::string moves = readFile(dir.path() / "moves.dat");
        ASSERT_GE(moves.size(), 20u) << what;
        EXPECT_EQ(int32At(moves, 0), 2) << what;
        EXPECT_EQ(int32At(moves, 4), 0) << what;
        EXPECT_EQ(int32At(moves, 12), hinted.ring) << what;
        EXPECT_EQ(int32At(moves, 16), hinted.direction) << what;
    }
}

}  // namespace
