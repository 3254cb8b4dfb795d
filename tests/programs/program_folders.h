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

namespace programtest {

namespace fs = std::filesystem;
using testsupport::int32At;
inline const std::string kStage = STUDIO_STAGE_DIR;
inline const std::string kGame = kStage + "/Tintaro";
inline const std::string kTintaro = kGame + "/Tintaro-headless";
inline const std::string kGatefold = kStage + "/Gatefold-headless";

inline constexpr const char* kExitButton = "click 750 545\nwait 5\n";

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
inline void expectOneBlueTopMove(const std::string& moves, const std::string& what) {
    ASSERT_GE(moves.size(), 12u) << what;
    EXPECT_EQ(int32At(moves, 0), 1) << what;
    EXPECT_EQ(int32At(moves, 4), 0) << what;
    EXPECT_EQ(int32At(moves, 8), 0) << what;
}

}  // namespace programtest
