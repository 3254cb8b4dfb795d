// Gatefold driven through the headless contract, in menu folders made for each test: the
// game list's slots, pages and web site, which folders count as games, the page number,
// starting a game, reopening a game's title screen, the sound switches and the current
// player.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win32.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string kStage = STUDIO_STAGE_DIR;
const std::string kProgram = kStage + "/Gatefold-headless";
const std::string kSite = "http://www.example.com";

// Slot k's top-left corner on the list (k from 1).
int slotX(int k) {
    return std::vector<int>{14, 271, 528}[static_cast<size_t>((k - 1) % 3)];
}
int slotY(int k) {
    return std::vector<int>{140, 247, 355, 461}[static_cast<size_t>((k - 1) / 3)];
}

using testsupport::readFile;

// A menu folder: the menu's own pictures and settings, and Tintaro's folder when asked.
class MenuFolder {
public:
    explicit MenuFolder(bool withTintaro) {
        for (const auto& e : fs::directory_iterator(kStage)) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".bmp" || ext == ".ini"))
                fs::copy_file(e.path(), dir.path() / e.path().filename());
        }
        if (withTintaro) addGameCopy("Tintaro");
    }
    // A game folder holding only the list's picture.
    void addGame(const std::string& name) {
        fs::create_directories(dir.path() / name);
        fs::copy_file(kStage + "/Tintaro/GatefoldButton.bmp",
                      dir.path() / name / "GatefoldButton.bmp");
    }
    void addGameCopy(const std::string& name) {
        fs::copy(kStage + "/Tintaro", dir.path() / name,
                 fs::copy_options::recursive | fs::copy_options::skip_existing);
    }
    std::string path() const { return dir.str(); }
    testsupport::ProgramRun run(const std::string& script,
                                const std::vector<std::string>& args = {}) const {
        return testsupport::runHeadless(kProgram, dir.str(), script, args, dir.str());
    }
    testsupport::TempDir dir;
};

std::string click(int x, int y) {
    return "move " + std::to_string(x) + " " + std::to_string(y) + "\nwait 2\nclick " +
           std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
}
std::string clickSlot(int k) {
    return click(slotX(k) + 60, slotY(k) + 40);
}

std::vector<std::string> launches(const testsupport::ProgramRun& run) {
    std::vector<std::string> out;
    for (const auto& line : run.transcript)
        if (line.rfind("launch\t", 0) == 0) out.push_back(line);
    return out;
}

// Share of a picture's opaque pixels that the capture shows at (x, y), in 16-bit colour.
double shownAt(const testsupport::Picture& shot, const testsupport::Picture& picture, int x, int y,
               int frameWidth = 0) {
    const int w = frameWidth > 0 ? frameWidth : picture.width;
    int opaque = 0, same = 0;
    for (int py = 0; py < picture.height; ++py)
        for (int px = 0; px < w; ++px) {
            if (pureBlue(picture, px, py)) continue;
            if (x + px >= shot.width || y + py >= shot.height) continue;
            ++opaque;
            int r, g, b, sr, sg, sb;
            picture.pixel(px, py, r, g, b);
            shot.pixel(x + px, y + py, sr, sg, sb);
            same += (r >> 3) == (sr >> 3) && (g >> 2) == (sg >> 2) && (b >> 3) == (sb >> 3);
        }
    return opaque ? static_cast<double>(same) / opaque : 0.0;
}

TEST(GatefoldList, ThreeGamesShowThreePicturesAndTheCollectSlotOpensTheSite) {
    MenuFolder menu(false);
    for (const char* name : {"Alpha", "Beta", "Gamma"}) menu.addGame(name);
    auto run =
        menu.run("wait 5\ncapture list.bmp\n" + clickSlot(4) + "wait 20\ncapture late.bmp\n");
    EXPECT_EQ(run.exitStatus, 0);
    const auto shot = testsupport::readBmp24(run.captureDir + "/list.bmp");
    const auto game = testsupport::readBmp24(kStage + "/Tintaro/GatefoldButton.bmp");
    const auto collect = testsupport::readBmp24(kStage + "/CollectButton.bmp");
    ASSERT_TRUE(shot.ok() && game.ok() && collect.ok());
    // The pictures are stamped under the slot frames: most of each shows through.
    for (int k = 1; k <= 3; ++k) EXPECT_GT(shownAt(shot, game, slotX(k), slotY(k)), 0.5) << k;
    EXPECT_GT(shownAt(shot, collect, slotX(4), slotY(4)), 0.5);
    EXPECT_LT(shownAt(shot, game, slotX(5), slotY(5)), 0.2);
    ASSERT_EQ(launches(run).size(), 1u);
    EXPECT_EQ(launches(run)[0], "launch\topen\t" + kSite + "\t\t");
    EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << "the menu ended";
}

TEST(GatefoldList, FourteenGamesPageOnToTheSiteInSlotThree) {
    MenuFolder menu(false);
    for (int i = 0; i < 14; ++i) menu.addGame("Game" + std::to_string(i));
    // Disabled slots do nothing: slot 3 on page 1 holds a game, so "right" comes first.
    auto run = menu.run("wait 5\n" + click(760, 35) + "wait 3\ncapture page2.bmp\n" + clickSlot(3) +
                        "wait 20\n");
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_EQ(launches(run).size(), 1u);
    EXPECT_EQ(launches(run)[0], "launch\topen\t" + kSite + "\t\t");
    const auto shot = testsupport::readBmp24(run.captureDir + "/page2.bmp");
    const auto digits = testsupport::readBmp24(kStage + "/PageNumbers.bmp");
    ASSERT_TRUE(shot.ok() && digits.ok());
    const int w = digits.width / 10;
    // "2", right-aligned so that it ends at x = 716.
    testsupport::Picture two;
    two.width = w;
    two.height = digits.height;
    for (int y = 0; y < digits.height; ++y)
        for (int x = 0; x < w; ++x) {
            int r, g, b;
            digits.pixel(2 * w + x, y, r, g, b);
            two.rgb.insert(two.rgb.end(),
                           {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                            static_cast<unsigned char>(b)});
        }
    EXPECT_GT(shownAt(shot, two, 716 - w, 30), 0.95);
}

TEST(GatefoldList, HiddenAndReadOnlyFoldersAreNotGames) {
    MenuFolder menu(false);
    menu.addGame("Visible");
    menu.addGame(".Hidden");
    menu.addGame("Locked");
    ::chmod((menu.dir.path() / "Locked").c_str(), 0555);
    // Slot 2 is the collect slot when only one game counts.
    auto run = menu.run("wait 5\n" + clickSlot(2) + "wait 20\n");
    ::chmod((menu.dir.path() / "Locked").c_str(), 0755);
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_EQ(launches(run).size(), 1u);
    EXPECT_EQ(launches(run)[0], "launch\topen\t" + kSite + "\t\t");
}

TEST(GatefoldTitle, PlayStartsTheGameInItsFolderAndEndsTheMenu) {
    MenuFolder menu(true);
    auto run = menu.run("wait 5\n" + clickSlot(1) + "wait 5\ncapture title.bmp\n" +
                        click(636 + 40, 296 + 20) + "wait 20\ncapture late.bmp\n");
    EXPECT_EQ(run.exitStatus, 0);
    const std::string folder = menu.path();
    ASSERT_EQ(launches(run).size(), 1u);
    EXPECT_EQ(launches(run)[0],
              "launch\topen\tTintaro.exe\t" + folder + "\t" + folder + "\\Tintaro");
    const auto shot = testsupport::readBmp24(run.captureDir + "/title.bmp");
    const auto title = testsupport::readBmp24(kStage + "/Tintaro/title/titlebackground.bmp");
    ASSERT_TRUE(shot.ok() && title.ok());
    // Most of the title picture shows (buttons and name fields cover parts of it).
    EXPECT_GT(shownAt(shot, title, 0, 0), 0.6);
    EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp"));
}

TEST(GatefoldTitle, TheGamesNameOnTheCommandLineReopensItsTitleScreen) {
    MenuFolder menu(true);
    menu.addGame("Another");
    auto run = menu.run("wait 5\ncapture reopened.bmp\n", {"--", "Tintaro"});
    EXPECT_EQ(run.exitStatus, 0);
    const auto shot = testsupport::readBmp24(run.captureDir + "/reopened.bmp");
    const auto title = testsupport::readBmp24(kStage + "/Tintaro/title/titlebackground.bmp");
    ASSERT_TRUE(shot.ok() && title.ok());
    EXPECT_GT(shownAt(shot, title, 0, 0), 0.6);
}

TEST(GatefoldTitle, SwitchesAndTheCurrentPlayerAreWrittenAtOnce) {
    MenuFolder menu(true);
    // SFX off, Music off and on again, then the third name field.
    auto run =
        menu.run("wait 5\n" + clickSlot(1) + click(52 + 20, 505 + 15) + click(106 + 20, 505 + 15) +
                 click(106 + 20, 505 + 15) + click(238 + 60, 420 + 15) + "key 1\nwait 10\n");
    EXPECT_EQ(run.exitStatus, 0);
    const std::string options = readFile(menu.dir.path() / "options.ini");
    EXPECT_NE(options.find("SFX=N"), std::string::npos) << options;
    EXPECT_NE(options.find("Music=Y"), std::string::npos) << options;
    EXPECT_NE(options.find("playerid=2"), std::string::npos) << options;
}

TEST(GatefoldTitle, QuittingWhileAPageIsOpenEndsCleanly) {
    // Closing the window while each modal page runs ends the menu with 0; under the
    // sanitizer builds a page left undeleted would fail the run as a leak.
    const std::vector<std::pair<int, int>> pages = {
        {108, 390},  // hall of fame
        {400, 340},  // players
        {108, 460},  // credits
    };
    for (const auto& [x, y] : pages) {
        MenuFolder menu(true);
        auto run = menu.run("wait 5\n" + clickSlot(1) + click(x, y) + "close\nwait 10\n");
        EXPECT_EQ(run.exitStatus, 0) << x << "," << y;
        ASSERT_FALSE(run.transcript.empty());
        EXPECT_EQ(run.transcript.back(), "exit\t0");
    }
    MenuFolder menu(false);
    auto run = menu.run("wait 5\n" + click(670, 105) + "close\nwait 10\n");
    EXPECT_EQ(run.exitStatus, 0) << "information page";
}

// Pixels of the box (x, y, w, h) that differ between two pictures placed at (ax, ay) and
// (bx, by), in 16-bit colour.
int differing(const testsupport::Picture& a, int ax, int ay, const testsupport::Picture& b, int bx,
              int by, int x, int y, int w, int h) {
    int n = 0;
    for (int py = y; py < y + h; ++py)
        for (int px = x; px < x + w; ++px) {
            int r1, g1, b1, r2, g2, b2;
            a.pixel(px - ax, py - ay, r1, g1, b1);
            b.pixel(px - bx, py - by, r2, g2, b2);
            n += (r1 >> 3) != (r2 >> 3) || (g1 >> 2) != (g2 >> 2) || (b1 >> 3) != (b2 >> 3);
        }
    return n;
}

// Esc closes the open page as its Back (or a click on it) would, and the menu goes on: the
// screen under the page comes back pixel for pixel and takes the next click. With no page
// open, Esc ends the menu.
TEST(GatefoldTitle, EscClosesTheOpenPageAndWithNoneOpenEndsTheMenu) {
    const std::string title = clickSlot(1);
    const std::string still = "move 5 5\nwait 4\n";
    struct Case {
        std::string reach;  // from the list to the screen the page opens over
        std::string open, onPage;
        const char* what;
    };
    const Case cases[] = {
        {title, click(108, 324), "", "How to Play"},
        {title, click(108, 463), "", "Credits"},
        {title, click(108, 393), "", "High Scores"},
        // What was typed is dropped with the page, as Back drops it.
        {title, click(400, 342), "type Zed\nwait 3\n", "Players"},
        {"", click(670, 105), "", "Info"},
    };
    for (const Case& c : cases) {
        MenuFolder menu(true);
        auto run = menu.run("wait 5\n" + c.reach + still + "capture before.bmp\n" + c.open +
                            "wait 3\ncapture page.bmp\n" + c.onPage + "key 1\nwait 4\n" + still +
                            "capture after.bmp\n" + (c.reach.empty() ? title : "") +
                            click(52 + 20, 505 + 15) + "key 1\nwait 5\ncapture late.bmp\n");
        EXPECT_EQ(run.exitStatus, 0) << c.what;
        auto shot = [&run](const char* name) {
            return testsupport::readBmp24(run.captureDir + "/" + name);
        };
        const auto before = shot("before.bmp"), page = shot("page.bmp"), after = shot("after.bmp");
        ASSERT_TRUE(before.ok() && page.ok()) << c.what;
        EXPECT_GT(differing(before, 0, 0, page, 0, 0, 0, 0, 800, 600), 10000) << c.what;
        ASSERT_TRUE(after.ok()) << c.what << ": Esc ended the menu";
        EXPECT_EQ(differing(before, 0, 0, after, 0, 0, 0, 0, 800, 600), 0) << c.what;
        const std::string options = readFile(menu.dir.path() / "options.ini");
        EXPECT_NE(options.find("SFX=N"), std::string::npos) << c.what << ": " << options;
        EXPECT_EQ(options.find("Zed"), std::string::npos) << c.what << ": " << options;
        EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << c.what;
        ASSERT_FALSE(run.transcript.empty()) << c.what;
        EXPECT_EQ(run.transcript.back(), "exit\t0") << c.what;
    }
}

TEST(GatefoldTitle, ThePlayersPageShowsWhatIsTypedWithTheCaretBlinking) {
    MenuFolder menu(true);
    constexpr int kPageX = 53, kPageY = 18;
    const int boxY[3] = {270, 336, 404};
    // Backspace seven times, "Anna Lee" (doubled letters), then address and e-mail; no
    // waits between repeated keys, which must all arrive.
    std::string erase;
    for (int i = 0; i < 7; ++i) erase += "key 14\n";
    auto run = menu.run("wait 5\n" + clickSlot(1) + "wait 5\ncapture title.bmp\n" +
                        click(400, 340) + "wait 3\ncapture page.bmp\n" + erase +
                        "type Anna Lee\nwait 3\ncapture name1.bmp\nwait 26\ncapture name2.bmp\n"
                        "wait 26\ncapture name3.bmp\nkey 15\nwait 3\ntype 1 Road\nkey 15\n"
                        "wait 3\ntype aabbcc\nwait 3\ncapture all.bmp\n" +
                        click(kPageX + 474 + 30, kPageY + 471 + 15) + "wait 5\nkey 1\nwait 10\n");
    ASSERT_EQ(run.exitStatus, 0);
    const auto picture = testsupport::readBmp24(kStage + "/PlayerInfo.bmp");
    ASSERT_TRUE(picture.ok());
    auto shot = [&run](const char* name) {
        return testsupport::readBmp24(run.captureDir + "/" + name);
    };
    const auto title = shot("title.bmp"), page = shot("page.bmp"), all = shot("all.bmp");
    const auto name1 = shot("name1.bmp"), name2 = shot("name2.bmp"), name3 = shot("name3.bmp");
    ASSERT_TRUE(title.ok() && page.ok() && all.ok() && name1.ok() && name2.ok() && name3.ok());
    // A box holding text differs from the page picture; an empty, unfocused one does not.
    auto textIn = [&](const testsupport::Picture& s, int field) {
        return differing(s, 0, 0, picture, kPageX, kPageY, 66, boxY[field], 580, 26);
    };
    EXPECT_GT(textIn(page, 0), 100) << "the name Player1";
    EXPECT_EQ(textIn(page, 1), 0);
    EXPECT_EQ(textIn(page, 2), 0);
    EXPECT_GT(differing(page, 0, 0, name1, 0, 0, 66, boxY[0], 580, 26), 100) << "the new name";
    EXPECT_GT(textIn(all, 1), 100) << "the address";
    EXPECT_GT(textIn(all, 2), 100) << "the e-mail";
    // Outside the page the title screen stays as it was.
    EXPECT_EQ(differing(page, 0, 0, title, 0, 0, 0, 250, kPageX, 200), 0);
    // The caret blinks: of three captures 260 ms apart, at least two differ.
    EXPECT_GT(differing(name1, 0, 0, name2, 0, 0, 66, boxY[0], 580, 26) +
                  differing(name2, 0, 0, name3, 0, 0, 66, boxY[0], 580, 26),
              0);
    // Every key arrived: the old name erased, doubled letters kept, and "Save" stored it.
    const std::string options = readFile(menu.dir.path() / "options.ini");
    auto hasLine = [&options](const std::string& line) {
        const size_t at = options.find(line);
        return at != std::string::npos && at + line.size() < options.size() &&
               (options[at + line.size()] == '\r' || options[at + line.size()] == '\n');
    };
    EXPECT_TRUE(hasLine("name=Anna Lee")) << options;
    EXPECT_TRUE(hasLine("address=1 Road")) << options;
    EXPECT_TRUE(hasLine("email=aabbcc")) << options;
}

// Another copy of the menu renames the second player while this one's players page is open;
// Save here writes only the player edited, so the other's name survives, and the title
// screen then shows the names the file holds.
TEST(GatefoldTitle, SaveOnThePlayersPageKeepsWhatAnotherCopyChanged) {
    MenuFolder menu(true);
    const fs::path options = menu.dir.path() / "options.ini";
    std::string erase;
    for (int i = 0; i < 7; ++i) erase += "key 14\n";
    const std::string script = "wait 5\n" + clickSlot(1) + click(400, 340) +
                               "wait 3\ncapture page.bmp\nwait 15000\ncapture typing.bmp\n" +
                               erase + "type Anna\nwait 3\n" + click(53 + 474 + 30, 18 + 471 + 15) +
                               "wait 5\ncapture after.bmp\nkey 1\nwait 10\n";
    const int pid = testsupport::startHeadless(kProgram, menu.path(), script,
                                               {"--max-frames", "100000"}, menu.path());
    ASSERT_GT(pid, 0);
    const fs::path page = menu.dir.path() / "shots" / "page.bmp";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(page) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const bool renamed = WritePrivateProfileStringA("Player2", "name", "Bea", options.c_str());
    const bool pageOpen = fs::exists(page) && !fs::exists(menu.dir.path() / "shots" / "typing.bmp");
    auto run = testsupport::finishHeadless(pid, menu.path());
    ASSERT_TRUE(renamed);
    ASSERT_TRUE(pageOpen) << "the other copy's change came too late";
    ASSERT_EQ(run.exitStatus, 0);
    ASSERT_TRUE(fs::exists(run.captureDir + "/after.bmp")) << "the page was saved and closed";
    char name[64] = {};
    GetPrivateProfileStringA("Player1", "name", "", name, sizeof name, options.c_str());
    EXPECT_STREQ(name, "Anna");
    GetPrivateProfileStringA("Player2", "name", "", name, sizeof name, options.c_str());
    EXPECT_STREQ(name, "Bea") << readFile(options);
    char list[256] = {};
    GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, options.c_str());
    std::string sections;
    for (const char* at = list; *at; at += std::strlen(at) + 1)
        sections += std::string(sections.empty() ? "" : ",") + at;
    EXPECT_EQ(sections, "Player2,Player1") << "no other player written";

    // A later start reads Bea from the file; its name box shows what this run showed.
    auto later =
        menu.run("wait 5\n" + clickSlot(1) + "wait 5\ncapture names.bmp\nkey 1\nwait 10\n");
    ASSERT_EQ(later.exitStatus, 0);
    const auto after = testsupport::readBmp24(run.captureDir + "/after.bmp");
    const auto names = testsupport::readBmp24(later.captureDir + "/names.bmp");
    ASSERT_TRUE(after.ok() && names.ok());
    EXPECT_EQ(differing(after, 0, 0, names, 0, 0, 408, 378, 150, 30), 0) << "the second name";
}

TEST(GatefoldTitle, OnlyTheCurrentPlayersNameIsHighlightedAfterEveryChange) {
    MenuFolder menu(true);
    // The eight names, from the first box's corner to the last box's far corner.
    constexpr int kX = 238, kY = 378, kW = 408 + 150 - 238, kH = 510 + 30 - 378;
    auto run =
        menu.run("wait 5\n" + clickSlot(1) + "move 5 5\nwait 5\ncapture first.bmp\n" +
                 click(298, 435) + "move 5 5\nwait 5\ncapture third.bmp\n" + click(298, 392) +
                 "move 5 5\nwait 5\ncapture again.bmp\n" + click(108, 463) +
                 "click 400 300\nmove 5 5\nwait 6\n"
                 "capture credits.bmp\nkey 1\nwait 10\n");
    ASSERT_EQ(run.exitStatus, 0);
    auto shot = [&run](const char* name) {
        return testsupport::readBmp24(run.captureDir + "/" + name);
    };
    const auto first = shot("first.bmp"), third = shot("third.bmp");
    const auto again = shot("again.bmp"), credits = shot("credits.bmp");
    ASSERT_TRUE(first.ok() && third.ok() && again.ok() && credits.ok());
    EXPECT_GT(differing(first, 0, 0, third, 0, 0, kX, kY, kW, kH), 100) << "the third chosen";
    // The first chosen again, and back from the credits: the names as they were at first,
    // with nothing left of a highlight or of the page.
    EXPECT_EQ(differing(first, 0, 0, again, 0, 0, kX, kY, kW, kH), 0);
    EXPECT_EQ(differing(first, 0, 0, credits, 0, 0, kX, kY, kW, kH), 0);
}

// hiscore.dat with twenty rows of these names and falling scores.
void writeTable(const fs::path& file, const std::string& name) {
    std::string bytes(4 + 260 * 20, '\0');
    const std::int32_t rows = 20;
    std::memcpy(&bytes[0], &rows, 4);
    for (int i = 0; i < 20; ++i) {
        std::memcpy(&bytes[4 + 260 * i], name.data(), std::min<size_t>(name.size(), 255));
        const std::int32_t score = 1900000 - 98765 * i;
        std::memcpy(&bytes[4 + 260 * i + 256], &score, 4);
    }
    std::ofstream(file, std::ios::binary) << bytes;
}

TEST(GatefoldTitle, LongNamesInTheHallOfFameStopBeforeTheirScores) {
    std::vector<testsupport::Picture> shots;
    for (const std::string& name : {std::string("Al:a:b:Y"), std::string(62, 'W') + ":a:b:Y"}) {
        MenuFolder menu(true);
        writeTable(menu.dir.path() / "Tintaro" / "hiscore.dat", name);
        auto run = menu.run("wait 5\n" + clickSlot(1) + click(108, 390) +
                            "move 5 5\nwait 4\ncapture hall.bmp\nkey 1\nwait 10\n");
        ASSERT_EQ(run.exitStatus, 0);
        shots.push_back(testsupport::readBmp24(run.captureDir + "/hall.bmp"));
        ASSERT_TRUE(shots.back().ok());
    }
    // The long names changed their own columns only: from the gap before each score column
    // to the next column (or the page's end), both captures agree pixel for pixel.
    const int rowsTop = 18 + 275, rowsHeight = 26 * 10;
    EXPECT_EQ(differing(shots[0], 0, 0, shots[1], 0, 0, 53 + 246, rowsTop, 387 - 246, rowsHeight),
              0);
    EXPECT_EQ(differing(shots[0], 0, 0, shots[1], 0, 0, 53 + 577, rowsTop, 694 - 577, rowsHeight),
              0);
    EXPECT_GT(differing(shots[0], 0, 0, shots[1], 0, 0, 53 + 56, rowsTop, 190, rowsHeight), 1000);
}

// The menu without a mouse, once with keys and once with a pad: from the list to Tintaro's
// title screen, Player2 chosen, a name typed on the players page (the pad through the page's
// own keyboard) and saved, How to Play, Credits and High Scores opened and closed, Play; then
// started again by the game and back to the list. Every step is seen in the capture: the focus
// glow around what has it, the page open or closed.
TEST(GatefoldTitle, TheMenuPlaysWithKeysAloneAndWithAPadAlone) {
    for (const bool pad : {false, true}) {
        const char* what = pad ? "pad" : "keys";
        auto press = [pad](int key, const char* button) {
            return (pad ? "pad " + std::string(button) : "key " + std::to_string(key)) +
                   "\nwait 3\n";
        };
        const std::string left = press(203, "dpleft"), right = press(205, "dpright");
        const std::string up = press(200, "dpup"), down = press(208, "dpdown");
        // A page closes a few frames after Esc is let go, and the screen under it is back a
        // frame or two later.
        const std::string enter = press(28, "a"), back = press(1, "b") + "wait 5\n";
        std::string name;
        if (pad) {
            // Seven deletes, then K (Shift on "k"), i, m on the page's keyboard, from "q".
            for (int i = 0; i < 7; ++i) name += press(0, "b");
            name += down;
            for (int i = 0; i < 7; ++i) name += right;
            name += press(0, "x") + enter + press(0, "x") + up + enter + down + down + left +
                    enter + press(0, "start");
        } else {
            for (int i = 0; i < 7; ++i) name += press(14, "");
            name += "type Kim\nwait 2\n" + enter + enter + enter;
        }
        MenuFolder menu(true);
        auto run = menu.run("wait 5\n" + right + "capture list.bmp\n" + enter +
                            "wait 3\ncapture title.bmp\n" + left + down +
                            "capture player2.bmp\n" + enter + up + enter + "capture players.bmp\n" +
                            name + "wait 3\ncapture saved.bmp\n" + left + enter +
                            "capture howto.bmp\n" + back + "capture afterhowto.bmp\n" + down +
                            down + enter + "capture credits.bmp\n" + back +
                            "capture aftercredits.bmp\n" + up + enter + "capture hall.bmp\n" +
                            back + "capture closed.bmp\n" + right + right + right + up +
                            "capture play.bmp\n" + enter + "wait 5\ncapture late.bmp\n");
        EXPECT_EQ(run.exitStatus, 0) << what;
        auto shot = [&run](const char* file) {
            return testsupport::readBmp24(run.captureDir + "/" + file);
        };
        auto picture = [](const std::string& file) {
            return testsupport::readBmp24(kStage + "/" + file);
        };
        const auto slot = picture("GameButton.bmp"), playButton = picture("Tintaro/PlayButton.bmp");
        EXPECT_TRUE(testsupport::glowAround(shot("list.bmp"), slotX(1), slotY(1), slot.width / 3,
                                            slot.height))
            << what;
        EXPECT_TRUE(testsupport::glowAround(shot("title.bmp"), 636, 296, playButton.width / 2,
                                            playButton.height))
            << what;
        EXPECT_TRUE(testsupport::glowAround(shot("player2.bmp"), 403, 378, 155, 30)) << what;

        // A page over the title screen covers its top, which no focus ever touches; closed,
        // the top is the title screen's again.
        const auto titleShot = shot("title.bmp");
        auto pageOpen = [&titleShot](const testsupport::Picture& capture) {
            return differing(titleShot, 0, 0, capture, 0, 0, 0, 0, 800, 280) > 20000;
        };
        auto pageClosed = [&titleShot](const testsupport::Picture& capture) {
            return differing(titleShot, 0, 0, capture, 0, 0, 0, 0, 800, 280) == 0;
        };

        // The players page with the focus in the name box (and, with a pad, on the page's
        // keyboard above it), then closed by saving.
        const auto page = picture(pad ? "PlayerInfoPad.bmp" : "PlayerInfo.bmp");
        const auto players = shot("players.bmp"), saved = shot("saved.bmp");
        ASSERT_TRUE(page.ok() && players.ok() && saved.ok()) << what;
        EXPECT_GT(shownAt(players, page, 53, 18), pad ? 0.7 : 0.9) << what;
        EXPECT_TRUE(pad ? testsupport::glowAround(players, 59, 82, 596, 216)
                        : testsupport::glowAround(players, 59, 268, 596, 30))
            << what;
        EXPECT_TRUE(pageOpen(players)) << what;
        EXPECT_TRUE(pageClosed(saved)) << what;
        const std::string options = readFile(menu.dir.path() / "options.ini");
        EXPECT_NE(options.find("[Player2]\r\nname=Kim\r\n"), std::string::npos) << what << options;
        EXPECT_NE(options.find("playerid=1"), std::string::npos) << what << options;

        // Each page open over the title screen (the pad's own How to Play with a pad), then
        // closed again.
        const auto howTo = picture(pad ? "Tintaro/title/HowToPlayPad.bmp" : "Tintaro/title/HowToPlay.bmp");
        const auto credits = picture("Tintaro/title/Credits.bmp");
        const auto hall = picture("HallOfFameScreen.bmp"), hallBack = picture("backbutton.bmp");
        EXPECT_GT(shownAt(shot("howto.bmp"), howTo, 53, 18), 0.95) << what;
        EXPECT_GT(shownAt(shot("credits.bmp"), credits, 53, 18), 0.95) << what;
        const auto hallShot = shot("hall.bmp");
        EXPECT_GT(shownAt(hallShot, hall, 53, 18), 0.8) << what;
        EXPECT_TRUE(testsupport::glowAround(hallShot, 53 + 595, 18 + 220, hallBack.width / 2,
                                            hallBack.height))
            << what;
        for (const char* closed : {"afterhowto.bmp", "aftercredits.bmp", "closed.bmp"})
            EXPECT_TRUE(pageClosed(shot(closed))) << what << " " << closed;
        EXPECT_TRUE(testsupport::glowAround(shot("play.bmp"), 636, 296, playButton.width / 2,
                                            playButton.height))
            << what;
        // Play started the game and ended the menu.
        ASSERT_EQ(launches(run).size(), 1u) << what;
        EXPECT_NE(launches(run)[0].find("Tintaro"), std::string::npos) << what;
        EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << what;

        // Started again by the game: its title screen, and back (Menu, or the pad's B) to the list.
        const std::string toList = pad ? back : right + down + enter;
        auto again = menu.run("wait 5\n" + toList + "wait 3\ncapture list.bmp\n", {"--", "Tintaro"});
        EXPECT_EQ(again.exitStatus, 0) << what;
        // The list as it first was, the focus on the first game.
        EXPECT_EQ(differing(shot("list.bmp"), 0, 0,
                            testsupport::readBmp24(again.captureDir + "/list.bmp"), 0, 0, 0, 0,
                            800, 600),
                  0)
            << what;
    }
}

}  // namespace
