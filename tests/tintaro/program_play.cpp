// Tintaro played through the headless contract: arms turning rings on the captured board, the
// panel, New Game, the help page, the frame-rate display, and the game with keys or a pad alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "qv/builtin_font.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tintaro_arms.h"
#include "tests/tintaro/program_fixture.h"

using namespace tintarotest;

namespace {

namespace fs = std::filesystem;

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
