// Tintaro and Gatefold headless builds run with a platform call made to fail: start-up refusals,
// a frozen clock, silence, failed saves that keep the old files, and other set-up failures.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/programs/program_folders.h"
#include "tests/support/program_run.h"

using namespace programtest;

namespace {

namespace fs = std::filesystem;

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
        auto run = folder.run("wait 5\n" + std::string(kExit), c.args);
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
        auto run = folder.run("wait 5\n" + moveAndClick(x, y) + kExit, {"--fail", fault});
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
        auto run = folder.run("wait 5\n" + moveAndClick(14 + 60, 140 + 40) +
                                  moveAndClick(52 + 20, 505 + 15) + "key 1\nwait 10\n",
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
    const std::string script = "wait 5\n" + moveAndClick(x, y) + "wait 30\n" + kExit;
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
    auto first = folder.run("wait 5\n" + moveAndClick(x, y) + kExit);
    ASSERT_EQ(first.exitStatus, 0);
    const std::string moves = readFile(folder.game() / "moves.dat");
    const std::string table = readFile(folder.game() / "hiscore.dat");
    expectOneBlueTopMove(moves, "first game");
    ASSERT_EQ(table.size(), 5204u);
    const auto before = snapshot(folder.dir.path() / "Tintaro");

    // The second resumes it, turns twice more and leaves through "exit" and through "new
    // game" with every write failing.
    auto second = folder.run("wait 5\n" + moveAndClick(x, y) + moveAndClick(x, y) + kExit,
                             {"--fail", "file-write"});
    EXPECT_EQ(second.exitStatus, 0);
    auto third = folder.run("wait 5\n" + moveAndClick(x, y) + std::string(kNewGame) + kExit,
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
    auto fourth = folder.run("wait 5\n" + moveAndClick(x, y) + kExit);
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
    auto run = folder.run("wait 5\n" + moveAndClick(14 + 60, 140 + 40) +
                              moveAndClick(52 + 20, 505 + 15) + moveAndClick(106 + 20, 505 + 15) +
                              moveAndClick(238 + 60, 420 + 15) + "key 1\nwait 10\n",
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
    auto switches =
        folder.run("wait 5\n" + moveAndClick(14 + 60, 140 + 40) + moveAndClick(52 + 20, 505 + 15) +
                       moveAndClick(52 + 20, 505 + 15) + "key 1\nwait 10\n",
                   {"--fail", "file-write"});
    EXPECT_EQ(switches.exitStatus, 0);
    EXPECT_EQ(linesStarting(switches, "messagebox\t"), told);

    // Without the fault the same clicks are written, so the clicks did reach the switches.
    auto control =
        folder.run("wait 5\n" + moveAndClick(14 + 60, 140 + 40) + moveAndClick(52 + 20, 505 + 15) +
                   moveAndClick(238 + 60, 420 + 15) + "key 1\nwait 10\n");
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
        auto run = folder.run("wait 5\n" + moveAndClick(x, y) + kExit, {"--fail", o.fault});
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
        auto run =
            folder.run("wait 5\n" + moveAndClick(14 + 60, 140 + 40) + "wait 10\nkey 1\nwait 10\n",
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

}  // namespace
