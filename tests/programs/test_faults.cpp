// Tintaro and Gatefold headless builds run with a platform call made to fail: the start-up
// refusals, a frozen framework clock, silence, failed saves that leave the old files, and
// the remaining set-up failures, none of which may crash a program; with damaged or
// hostile files in their folders: broken backgrounds, pages without their pictures, a FIFO
// where a saved file goes, the leftovers of interrupted saves; and ended by a signal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string kStage = STUDIO_STAGE_DIR;
const std::string kGame = kStage + "/Tintaro";
const std::string kTintaro = kGame + "/Tintaro-headless";
const std::string kGatefold = kStage + "/Gatefold-headless";

const char* kExitButton = "click 750 545\nwait 5\n";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::int32_t int32At(const std::string& bytes, size_t at) {
    std::int32_t v = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

std::vector<std::string> linesStarting(const testsupport::ProgramRun& run,
                                       const std::string& head) {
    std::vector<std::string> out;
    for (const auto& line : run.transcript)
        if (line.rfind(head, 0) == 0) out.push_back(line);
    return out;
}

// Every file under a folder with its contents, to see that nothing was added or changed.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = readFile(e.path());
    return files;
}

bool pureBlue(const testsupport::Picture& p, int x, int y) {
    int r, g, b;
    p.pixel(x, y, r, g, b);
    return r == 0 && g == 0 && b == 255;
}

// A play folder: Tintaro's game folder inside a menu folder of its own (so the game's
// "..\options.ini" is ours), and a separate folder for scripts, transcripts and captures.
struct TintaroFolder {
    TintaroFolder() {
        fs::create_directories(game());
        fs::create_directories(work());
        for (const auto& entry : fs::recursive_directory_iterator(kGame)) {
            const fs::path relative = fs::relative(entry.path(), kGame);
            const std::string ext = entry.path().extension().string();
            if (entry.is_directory())
                fs::create_directories(game() / relative);
            else if (ext == ".bmp" || ext == ".wav" || ext == ".ini")
                fs::copy_file(entry.path(), game() / relative);
        }
    }
    fs::path game() const { return dir.path() / "Tintaro"; }
    fs::path work() const { return dir.path() / "work"; }
    testsupport::ProgramRun run(const std::string& script,
                                const std::vector<std::string>& args = {}) const {
        return testsupport::runHeadless(kTintaro, game().string(), script, args, work().string());
    }
    testsupport::TempDir dir;
};

// A menu folder with Tintaro's folder in it; runs Gatefold there.
struct GatefoldFolder {
    GatefoldFolder() {
        fs::create_directories(menu());
        fs::create_directories(work());
        for (const auto& e : fs::directory_iterator(kStage)) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".bmp" || ext == ".ini"))
                fs::copy_file(e.path(), menu() / e.path().filename());
        }
        fs::copy(kGame, menu() / "Tintaro", fs::copy_options::recursive);
    }
    fs::path menu() const { return dir.path() / "menu"; }
    fs::path work() const { return dir.path() / "work"; }
    testsupport::ProgramRun run(const std::string& script,
                                const std::vector<std::string>& args = {}) const {
        return testsupport::runHeadless(kGatefold, menu().string(), script, args, work().string());
    }
    testsupport::TempDir dir;
};

std::string click(int x, int y) {
    return "move " + std::to_string(x) + " " + std::to_string(y) + "\nwait 2\nclick " +
           std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
}

// A point on the blue-top arm's opaque picture, which turns ring 0 anticlockwise.
bool blueTopArm(int& sx, int& sy) {
    const auto strip = testsupport::readBmp24(kGame + "/bluetop.bmp");
    if (!strip.ok()) return false;
    const int w = strip.width / 2, h = strip.height;
    for (int r = 0; r < w + h; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                const int x = w / 2 + dx, y = h / 2 + dy;
                if (x < 0 || y < 0 || x >= w || y >= h || pureBlue(strip, x, y)) continue;
                sx = 272 + x;
                sy = 161 + y;
                return true;
            }
    return false;
}

// The one-move log "exit" saves after the blue-top arm: count 1, ring 0, direction 0 (the
// game's hall-of-fame row may follow the moves).
void expectOneBlueTopMove(const std::string& moves, const std::string& what) {
    ASSERT_GE(moves.size(), 12u) << what;
    EXPECT_EQ(int32At(moves, 0), 1) << what;
    EXPECT_EQ(int32At(moves, 4), 0) << what;
    EXPECT_EQ(int32At(moves, 8), 0) << what;
}

struct StartUp {
    std::vector<std::string> args;
    std::string setup;  // setup.ini written into the game folder, empty: the installed one
    int exitStatus;
    std::string message;  // empty: no message box
};

// The start-up failures both programs share, windowed: the DirectX checks' messages with
// status 0, no window with status 1, and the library's own error for the display.
std::vector<StartUp> startUpFailures() {
    return {
        {{"--fail", "directdraw-create"},
         "",
         0,
         "messagebox\tDirectX not installed. Program needs DirectX 7.0a or higher to run\t"},
        {{"--fail", "directdraw7"},
         "",
         0,
         "messagebox\tDirectX Version 7.0a or greater not installed\t"},
        {{"--fail", "register-class"}, "", 1, ""},
        {{"--fail", "create-window"}, "", 1, ""},
        {{"--fail", "display"}, "", 1, "messagebox\tdisplay set-up failed\tqv"},
    };
}

TEST(TintaroFaults, StartUpFailuresGiveTheirMessageAndResult) {
    std::vector<StartUp> cases = startUpFailures();
    // Full screen, a failed display set-up shows nothing.
    cases.push_back({{"--fail", "display"}, "[setup]\nfullscreen=1\n", 1, ""});
    for (const StartUp& c : cases) {
        TintaroFolder folder;
        if (!c.setup.empty()) writeFile(folder.game() / "setup.ini", c.setup);
        auto run = folder.run("wait 5\n" + std::string(kExitButton), c.args);
        const std::string what = c.args[1] + (c.setup.empty() ? "" : " full screen");
        EXPECT_EQ(run.exitStatus, c.exitStatus) << what;
        const auto boxes = linesStarting(run, "messagebox\t");
        if (c.message.empty()) {
            EXPECT_TRUE(boxes.empty()) << what;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << what;
            EXPECT_EQ(boxes[0], c.message) << what;
        }
        // The game never came up: no player in the title, no saved files.
        EXPECT_TRUE(linesStarting(run, "title\tTintaro - ").empty()) << what;
        EXPECT_FALSE(fs::exists(folder.game() / "moves.dat")) << what;
        ASSERT_FALSE(run.transcript.empty()) << what;
        EXPECT_EQ(run.transcript.back(), "exit\t" + std::to_string(c.exitStatus)) << what;
    }
}

TEST(GatefoldFaults, StartUpFailuresGiveTheirMessageAndResult) {
    const std::vector<StartUp> cases = startUpFailures();
    for (const StartUp& c : cases) {
        GatefoldFolder folder;
        auto run = folder.run("wait 5\nkey 1\nwait 5\n", c.args);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.args[1];
        const auto boxes = linesStarting(run, "messagebox\t");
        if (c.message.empty()) {
            EXPECT_TRUE(boxes.empty()) << c.args[1];
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.args[1];
            EXPECT_EQ(boxes[0], c.message) << c.args[1];
        }
        EXPECT_FALSE(fs::exists(folder.menu() / "options.ini")) << c.args[1];
    }
}

TEST(TintaroFaults, WithoutATimerTheGameStillPlaysAndEndsNormally) {
    int x = 0, y = 0;
    ASSERT_TRUE(blueTopArm(x, y));
    for (const char* fault : {"timer-caps", "time-begin-period", "time-set-event"}) {
        TintaroFolder folder;
        auto run = folder.run("wait 5\n" + click(x, y) + kExitButton, {"--fail", fault});
        EXPECT_EQ(run.exitStatus, 0) << fault;
        expectOneBlueTopMove(readFile(folder.game() / "moves.dat"), fault);
        // The debug log is off in delivered builds: the timer message writes no file.
        EXPECT_FALSE(fs::exists(folder.game() / "debug.log")) << fault;
    }
}

TEST(GatefoldFaults, WithoutATimerTheMenuStillTakesClicks) {
    for (const char* fault : {"timer-caps", "time-begin-period", "time-set-event"}) {
        GatefoldFolder folder;
        // The game's slot opens its title screen, where the SFX switch is written at once.
        auto run = folder.run(
            "wait 5\n" + click(14 + 60, 140 + 40) + click(52 + 20, 505 + 15) + "key 1\nwait 10\n",
            {"--fail", fault});
        EXPECT_EQ(run.exitStatus, 0) << fault;
        const std::string options = readFile(folder.menu() / "options.ini");
        EXPECT_NE(options.find("SFX=N"), std::string::npos) << fault << ": " << options;
    }
}

// Every 16-bit sample of a WAV file's data chunk is zero; false when it has no data chunk.
bool silentWav(const std::string& bytes, size_t& samples) {
    samples = 0;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const auto size = static_cast<std::uint32_t>(int32At(bytes, at + 4));
        if (bytes.compare(at, 4, "data") == 0) {
            const size_t end = std::min(bytes.size(), at + 8 + size);
            for (size_t i = at + 8; i + 1 < end; i += 2, ++samples)
                if (bytes[i] != 0 || bytes[i + 1] != 0) return false;
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

TEST(TintaroFaults, WithoutSoundTheGamePlaysSilently) {
    int x = 0, y = 0;
    ASSERT_TRUE(blueTopArm(x, y));
    const std::string script = "wait 5\n" + click(x, y) + "wait 30\n" + kExitButton;
    {
        // With sound the music starts at once and is heard.
        TintaroFolder folder;
        const std::string wav = (folder.work() / "out.wav").string();
        auto run = folder.run(script, {"--audio-out", wav});
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_FALSE(linesStarting(run, "sound\t").empty());
        size_t samples = 0;
        EXPECT_FALSE(silentWav(readFile(wav), samples));
    }
    for (const char* fault : {"sound-device", "sound-buffer"}) {
        TintaroFolder folder;
        const std::string wav = (folder.work() / "out.wav").string();
        auto run = folder.run(script, {"--audio-out", wav, "--fail", fault});
        EXPECT_EQ(run.exitStatus, 0) << fault;
        EXPECT_TRUE(linesStarting(run, "sound\t").empty()) << fault;
        if (fs::exists(wav)) {
            size_t samples = 0;
            EXPECT_TRUE(silentWav(readFile(wav), samples)) << fault;
        }
        expectOneBlueTopMove(readFile(folder.game() / "moves.dat"), fault);
    }
}

TEST(TintaroFaults, FailedSavesKeepThePreviousFilesByteForByte) {
    int x = 0, y = 0;
    ASSERT_TRUE(blueTopArm(x, y));
    TintaroFolder folder;
    // A first game leaves a move log and a score table.
    auto first = folder.run("wait 5\n" + click(x, y) + kExitButton);
    ASSERT_EQ(first.exitStatus, 0);
    const std::string moves = readFile(folder.game() / "moves.dat");
    const std::string table = readFile(folder.game() / "hiscore.dat");
    expectOneBlueTopMove(moves, "first game");
    ASSERT_EQ(table.size(), 5204u);
    const auto before = snapshot(folder.dir.path() / "Tintaro");

    // The second resumes it, turns twice more and leaves through "exit" and through "new
    // game" with every write failing.
    auto second =
        folder.run("wait 5\n" + click(x, y) + click(x, y) + kExitButton, {"--fail", "file-write"});
    EXPECT_EQ(second.exitStatus, 0);
    auto third = folder.run("wait 5\n" + click(x, y) + "click 610 545\nwait 5\n" + kExitButton,
                            {"--fail", "file-write"});
    EXPECT_EQ(third.exitStatus, 0);
    // Each run tells the player once, whatever else failed after it, what was not saved,
    // why and where.
    for (const auto* run : {&second, &third}) {
        const auto boxes = linesStarting(*run, "messagebox\t");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], "messagebox\tYour game could not be saved: the disk is full (" +
                                folder.game().string() + ").\tNot saved");
    }
    EXPECT_EQ(readFile(folder.game() / "moves.dat"), moves);
    EXPECT_EQ(readFile(folder.game() / "hiscore.dat"), table);
    EXPECT_EQ(snapshot(folder.dir.path() / "Tintaro"), before) << "no file added or changed";
    EXPECT_FALSE(fs::exists(folder.dir.path() / "options.ini"));

    // And the saved game still resumes: a later save holds the first move plus the new one.
    auto fourth = folder.run("wait 5\n" + click(x, y) + kExitButton);
    EXPECT_EQ(fourth.exitStatus, 0);
    const std::string later = readFile(folder.game() / "moves.dat");
    ASSERT_GE(later.size(), 20u);
    EXPECT_EQ(int32At(later, 0), 2);
}

TEST(GatefoldFaults, FailedSavesKeepTheOptionsFileByteForByte) {
    GatefoldFolder folder;
    const std::string options = "[setup]\r\nSFX=Y\r\nMusic=Y\r\nplayerid=0\r\n";
    writeFile(folder.menu() / "options.ini", options);
    const auto before = snapshot(folder.menu());
    // SFX and Music switches, then the third name field, with every write failing.
    auto run =
        folder.run("wait 5\n" + click(14 + 60, 140 + 40) + click(52 + 20, 505 + 15) +
                       click(106 + 20, 505 + 15) + click(238 + 60, 420 + 15) + "key 1\nwait 10\n",
                   {"--fail", "file-write"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(readFile(folder.menu() / "options.ini"), options);
    EXPECT_EQ(snapshot(folder.menu()), before) << "no file added or changed";
    // The first failed write says so, once, and where; the later ones say nothing more. A
    // switch alone says so too.
    const std::vector<std::string> told = {
        "messagebox\tYour settings could not be saved: the disk is full (" +
        folder.menu().string() + ").\tNot saved"};
    EXPECT_EQ(linesStarting(run, "messagebox\t"), told);
    auto switches = folder.run("wait 5\n" + click(14 + 60, 140 + 40) + click(52 + 20, 505 + 15) +
                                   click(52 + 20, 505 + 15) + "key 1\nwait 10\n",
                               {"--fail", "file-write"});
    EXPECT_EQ(switches.exitStatus, 0);
    EXPECT_EQ(linesStarting(switches, "messagebox\t"), told);

    // Without the fault the same clicks are written, so the clicks did reach the switches.
    auto control = folder.run("wait 5\n" + click(14 + 60, 140 + 40) + click(52 + 20, 505 + 15) +
                              click(238 + 60, 420 + 15) + "key 1\nwait 10\n");
    EXPECT_EQ(control.exitStatus, 0);
    const std::string written = readFile(folder.menu() / "options.ini");
    EXPECT_NE(written.find("SFX=N"), std::string::npos) << written;
    EXPECT_NE(written.find("playerid=2"), std::string::npos) << written;
}

// Set-up failures the programs run on through or refuse with a result: each ends with an
// ordinary exit status (no signal) and its last transcript line says so.
struct Outcome {
    const char* fault;
    int exitStatus;
};

void expectOrdinaryEnd(const testsupport::ProgramRun& run, const Outcome& o,
                       const std::string& program) {
    EXPECT_EQ(run.exitStatus, o.exitStatus) << program << " " << o.fault;
    ASSERT_FALSE(run.transcript.empty()) << program << " " << o.fault;
    EXPECT_EQ(run.transcript.back(), "exit\t" + std::to_string(o.exitStatus))
        << program << " " << o.fault;
}

TEST(TintaroFaults, ResourceFailuresEndWithoutACrash) {
    int x = 0, y = 0;
    ASSERT_TRUE(blueTopArm(x, y));
    const Outcome outcomes[] = {
        {"create-surface", 0}, {"global-alloc", 0}, {"create-thread", 0}, {"create-event", 0}};
    for (const Outcome& o : outcomes) {
        TintaroFolder folder;
        auto run = folder.run("wait 5\n" + click(x, y) + kExitButton, {"--fail", o.fault});
        expectOrdinaryEnd(run, o, "Tintaro");
        // Without surfaces there are no pictures to hit: the game runs on, unplayable, and
        // the end of the script closes it with no move made.
        if (std::string(o.fault) == "create-surface")
            EXPECT_EQ(readFile(folder.game() / "moves.dat"), std::string(4, '\0'));
        else
            expectOneBlueTopMove(readFile(folder.game() / "moves.dat"), o.fault);
    }
}

TEST(GatefoldFaults, ResourceFailuresEndWithoutACrash) {
    const Outcome outcomes[] = {{"create-surface", 0}, {"global-alloc", 0}, {"create-thread", 0},
                                {"create-event", 0},   {"sound-device", 0}, {"sound-buffer", 0}};
    for (const Outcome& o : outcomes) {
        GatefoldFolder folder;
        auto run = folder.run("wait 5\n" + click(14 + 60, 140 + 40) + "wait 10\nkey 1\nwait 10\n",
                              {"--fail", o.fault});
        expectOrdinaryEnd(run, o, "Gatefold");
    }
}

TEST(GatefoldFaults, AnUnknownFaultNameIsRefused) {
    GatefoldFolder folder;
    auto run = folder.run("wait 5\nkey 1\nwait 5\n", {"--fail", "file-wrte"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_TRUE(linesStarting(run, "exit\t0").empty());
}

TEST(GatefoldFaults, BrokenBackgroundsLeaveTheScreenBareWithoutACrash) {
    // The list, a click on the game, its title screen, back to the list and to the title.
    const std::string script = "wait 5\n" + click(14 + 60, 140 + 40) + "wait 5\n" +
                               click(636 + 40, 365 + 20) + "wait 5\n" + click(14 + 60, 140 + 40) +
                               "wait 5\nkey 1\nwait 10\n";
    for (const char* file : {"Tintaro/title/titlebackground.bmp", "background.bmp"}) {
        for (const char* damage : {"missing", "empty", "cut", "text"}) {
            GatefoldFolder folder;
            const fs::path path = folder.menu() / file;
            const std::string bytes = readFile(path);
            if (std::string(damage) == "missing") fs::remove(path);
            if (std::string(damage) == "empty") writeFile(path, "");
            if (std::string(damage) == "cut") writeFile(path, bytes.substr(0, bytes.size() / 2));
            if (std::string(damage) == "text") writeFile(path, "not a picture\n");
            auto run = folder.run(script);
            EXPECT_EQ(run.exitStatus, 0) << file << " " << damage;
            ASSERT_FALSE(run.transcript.empty()) << file << " " << damage;
            EXPECT_EQ(run.transcript.back(), "exit\t0") << file << " " << damage;
        }
    }
}

// Pixels that differ between two captures of the whole screen; -1 when one is missing.
int differingPixels(const testsupport::Picture& a, const testsupport::Picture& b) {
    if (!a.ok() || a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3) n += std::memcmp(&a.rgb[i], &b.rgb[i], 3) != 0;
    return n;
}

const char* kStill = "move 5 5\nwait 4\n";

// A page whose picture or Back picture is missing still closes, and the menu goes on: the
// screen under it comes back pixel for pixel and its SFX switch takes the next click.
TEST(GatefoldFaults, APageWithoutItsPicturesStillCloses) {
    const std::string title = click(14 + 60, 140 + 40);
    struct Case {
        const char* file;   // removed from the menu folder
        std::string reach;  // from the list to the screen the page opens over
        std::string open, close;
        const char* what;
    };
    const Case cases[] = {
        // Both are placed at (53, 18): these clicks lie outside where the picture would be.
        {"Tintaro/title/HowToPlay.bmp", title, click(108, 324), click(20, 590), "How to Play"},
        {"Tintaro/title/Credits.bmp", title, click(108, 463), click(780, 8), "Credits"},
        // Outside Upload and Clear; Clear would have rewritten the table.
        {"backbutton.bmp", title, click(108, 393), click(20, 590), "High Scores without Back"},
        {"infoscreen.bmp", "", click(670, 105), click(733, 388), "Info without its page, by Back"},
        {"backbutton.bmp", "", click(670, 105), click(400, 300), "Info without Back"},
    };
    for (const Case& c : cases) {
        GatefoldFolder folder;
        ASSERT_TRUE(fs::remove(folder.menu() / c.file)) << c.file;
        const fs::path table = folder.menu() / "Tintaro" / "hiscore.dat";
        const bool hadTable = fs::exists(table);
        const std::string tableBytes = hadTable ? readFile(table) : "";
        auto run =
            folder.run("wait 5\n" + c.reach + kStill + "capture before.bmp\n" + c.open + c.close +
                       kStill + "capture after.bmp\n" + (c.reach.empty() ? title : "") +
                       click(52 + 20, 505 + 15) + "wait 5\n");
        EXPECT_EQ(run.exitStatus, 0) << c.what;
        const auto before = testsupport::readBmp24(run.captureDir + "/before.bmp");
        const auto after = testsupport::readBmp24(run.captureDir + "/after.bmp");
        ASSERT_TRUE(before.ok()) << c.what;
        EXPECT_EQ(differingPixels(before, after), 0) << c.what;
        const std::string options = readFile(folder.menu() / "options.ini");
        EXPECT_NE(options.find("SFX=N"), std::string::npos) << c.what << ": " << options;
        EXPECT_EQ(fs::exists(table), hadTable) << c.what;
        EXPECT_EQ(hadTable ? readFile(table) : "", tableBytes) << c.what;
    }
}

TEST(TintaroFaults, TheHelpPageWithoutItsPictureClosesOnAClickAnywhere) {
    int x = 0, y = 0;
    ASSERT_TRUE(blueTopArm(x, y));
    TintaroFolder folder;
    ASSERT_TRUE(fs::remove(folder.game() / "title" / "HowToPlay.bmp"));
    // The page would lie at (53, 20): the closing click is outside it.
    auto run = folder.run("wait 5\n" + std::string(kStill) + "capture before.bmp\n" +
                          "click 680 545\nwait 5\n" + click(20, 590) + kStill +
                          "capture after.bmp\n" + click(x, y) + kExitButton);
    EXPECT_EQ(run.exitStatus, 0);
    const auto before = testsupport::readBmp24(run.captureDir + "/before.bmp");
    const auto after = testsupport::readBmp24(run.captureDir + "/after.bmp");
    ASSERT_TRUE(before.ok());
    EXPECT_EQ(differingPixels(before, after), 0);
    // The game went on: the arm turned its ring and Exit saved the move.
    expectOneBlueTopMove(readFile(folder.game() / "moves.dat"), "after the help page");
}

TEST(TintaroFaults, AFifoWhereTheScoresGoNeitherHangsNorIsKept) {
    int x = 0, y = 0;
    ASSERT_TRUE(blueTopArm(x, y));
    TintaroFolder folder;
    const fs::path scores = folder.game() / "hiscore.dat";
    ASSERT_EQ(::mkfifo(scores.c_str(), 0644), 0);
    auto run = folder.run("wait 5\n" + click(x, y) + kExitButton);
    EXPECT_EQ(run.exitStatus, 0);
    // The game's score went into a real table; the FIFO was moved aside, not written to.
    EXPECT_EQ(readFile(scores).size(), 5204u);
    struct stat st {};
    ASSERT_EQ(::lstat((scores.string() + ".bad").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(GatefoldFaults, FifosWhereFilesAreReadNeitherHangNorCrash) {
    GatefoldFolder folder;
    ASSERT_EQ(::mkfifo((folder.menu() / "Tintaro" / "hiscore.dat").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((folder.menu() / "options.ini").c_str(), 0644), 0);
    // The list, the title screen, the hall of fame, then Esc.
    auto run = folder.run("wait 5\n" + click(14 + 60, 140 + 40) + "wait 5\n" + click(108, 390) +
                          "wait 5\nkey 1\nwait 10\n");
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.back(), "exit\t0");
}

// An interrupted save leaves its temporary file NAME.tmp-PID-N behind. Each start removes
// those of dead processes from the folders the program saves into (in an installed tree the
// user's own, for the game's folder and the menu's), and nothing else: not another live
// copy's, not a file that only looks alike.
TEST(TintaroFaults, AStartRemovesWhatInterruptedSavesLeft) {
    TintaroFolder folder;
    writeFile(folder.dir.path() / "userdata.ini", "[userdata]\nfolder=Gatefold\n");
    testsupport::TempDir data;
    const fs::path menu = data.path() / "Gatefold", game = menu / "Tintaro";
    fs::create_directories(game);
    const pid_t ended = ::fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string dead = std::to_string(ended), live = std::to_string(::getpid());
    const std::vector<fs::path> stale = {game / ("moves.dat.tmp-" + dead + "-0"),
                                         game / ("hiscore.dat.tmp-" + dead + "-12"),
                                         menu / ("options.ini.tmp-" + dead + "-3")};
    const std::vector<fs::path> kept = {game / ("moves.dat.tmp-" + live + "-1"),
                                        game / ("moves.dat.tmp-" + dead + "-0.old"),
                                        game / ("moves.dat.tmp-" + dead),
                                        game / ("moves.dat.tmp-x" + dead + "-0"),
                                        game / "notes.txt",
                                        menu / ("window.ini.tmp-" + live + "-0")};
    for (const auto& path : stale) writeFile(path, "half a save");
    for (const auto& path : kept) writeFile(path, "kept");

    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string saved = before ? before : "";
    ::setenv("XDG_DATA_HOME", data.str().c_str(), 1);
    auto run = folder.run("wait 5\nkey 1\nwait 5\n");
    if (before)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(run.exitStatus, 0);
    for (const auto& path : stale) EXPECT_FALSE(fs::exists(path)) << path;
    for (const auto& path : kept) EXPECT_EQ(readFile(path), "kept") << path;
}

// Whether the process ends within `limit`; it is left to be waited for.
bool endsWithin(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// A logout's SIGHUP and a SIGTERM end either program as its window's close button does:
// through its normal shutdown, with status 0 and a complete transcript, long before its
// script would have ended; a second signal while it closes does not kill it either.
TEST(ProgramSignals, TerminationAndHangUpCloseTheWindowAndEndNormally) {
    struct Case {
        const char* program;
        int signal;
    };
    const std::string script = "wait 5\nwait 3000000\ncapture late.bmp\n";
    for (const Case c : {Case{"Gatefold", SIGTERM}, Case{"Gatefold", SIGHUP},
                         Case{"Tintaro", SIGTERM}, Case{"Tintaro", SIGHUP}}) {
        const bool menu = std::string(c.program) == "Gatefold";
        std::optional<GatefoldFolder> gatefold;
        std::optional<TintaroFolder> tintaro;
        if (menu)
            gatefold.emplace();
        else
            tintaro.emplace();
        const fs::path work = menu ? gatefold->work() : tintaro->work();
        const int pid = testsupport::startHeadless(
            menu ? kGatefold : kTintaro, (menu ? gatefold->menu() : tintaro->game()).string(),
            script, {"--max-frames", "4000000"}, work.string());
        ASSERT_GT(pid, 0) << c.program;
        // The window exists once its title is in the transcript.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (readFile(work / "transcript.tsv").find("title\t") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(pid, c.signal);
        ::kill(pid, c.signal == SIGTERM ? SIGHUP : SIGTERM);
        const bool ended = endsWithin(pid, std::chrono::seconds(10));
        if (!ended) ::kill(pid, SIGKILL);
        const auto run = testsupport::finishHeadless(pid, work.string());
        EXPECT_TRUE(ended) << c.program << " ran on after signal " << c.signal;
        EXPECT_EQ(run.exitStatus, 0) << c.program << " signal " << c.signal;
        ASSERT_FALSE(run.transcript.empty()) << c.program;
        EXPECT_EQ(run.transcript.back(), "exit\t0") << c.program << " signal " << c.signal;
        EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << "the script ran to its end";
    }
}

}  // namespace
