// Shared pieces of the tests that run the staged Tintaro and Gatefold programs: a play folder
// for each, files read and written whole, and a click on Tintaro's blue-top arm.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tintaro_arms.h"

namespace programtest {

namespace fs = std::filesystem;
using testsupport::int32At;
inline const std::string kStage = STUDIO_STAGE_DIR;
inline const std::string kGame = testsupport::kStagedTintaro;
inline const std::string kTintaro = kGame + "/Tintaro-headless";
inline const std::string kGatefold = kStage + "/Gatefold-headless";

using testsupport::kExit;
using testsupport::kNewGame;

using testsupport::readFile;

inline void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A play folder: Tintaro's game folder inside a menu folder of its own (so the game's
// "..\options.ini" is ours), and a separate folder for scripts, transcripts and captures.
struct TintaroFolder {
    TintaroFolder() {
        fs::create_directories(game());
        fs::create_directories(work());
        testsupport::copyGameFolder(kGame, game().string());
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

// Moves the pointer there, then clicks.
inline std::string moveAndClick(int x, int y) {
    return "move " + std::to_string(x) + " " + std::to_string(y) + "\nwait 2\nclick " +
           std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
}

// A point on the blue-top arm's opaque picture, which turns ring 0 anticlockwise.
inline bool blueTopArm(int& sx, int& sy) {
    return testsupport::armPoint(kGame, testsupport::kArms[0], false, sx, sy);
}

// The one-move log "exit" saves after the blue-top arm: count 1, ring 0, direction 0 (the
// game's hall-of-fame row may follow the moves).
inline void expectOneBlueTopMove(const std::string& moves, const std::string& what) {
    ASSERT_GE(moves.size(), 12u) << what;
    EXPECT_EQ(int32At(moves, 0), 1) << what;
    EXPECT_EQ(int32At(moves, 4), 0) << what;
    EXPECT_EQ(int32At(moves, 8), 0) << what;
}

}  // namespace programtest
