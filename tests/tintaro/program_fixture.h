// Shared pieces of the tests that run the staged Tintaro program: a copy of its folder, the
// boards, arms, strips and pages read back from captures, saved moves and scripted clicks.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "games/tintaro/wheel_game.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tintaro_arms.h"

namespace tintarotest {

namespace fs = std::filesystem;
using testsupport::int32At;

inline const std::string kGame = testsupport::kStagedTintaro;
inline const std::string kProgram = kGame + "/Tintaro-headless";

using testsupport::ArmPlace;
using testsupport::kArms;
using testsupport::kExit;
using testsupport::kNewGame;
inline constexpr const char* kHelp = "click 680 545\nwait 5\n";

// A game folder of its own: the pictures, sounds and settings, no saved files.
inline void copyGame(const fs::path& to) {
    testsupport::copyGameFolder(kGame, to.string());
}
inline void copyGame(const testsupport::TempDir& dir) {
    copyGame(dir.path());
}

using testsupport::readFile;

// Where a click turns `arm` in the staged game.
inline bool armPoint(const ArmPlace& arm, bool transparent, int& sx, int& sy) {
    return testsupport::armPoint(kGame, arm, transparent, sx, sy);
}

// The colour letters a captured frame shows at the thirty cells, matched against the
// chip strip's frames at the same place in each chip.
inline std::string boardOf(const testsupport::Picture& frame) {
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

inline std::string startBoard() {
    return std::string(tintaro::startLayout, tintaro::kCells);
}

inline std::string boardAfter(const std::vector<std::pair<int, int>>& turns) {
    WheelGame game;
    std::memcpy(game.cells, tintaro::startLayout, tintaro::kCells);
    for (auto [ring, direction] : turns) game.rotateRing(ring, direction);
    return std::string(game.cells, tintaro::kCells);
}

inline std::string click(int x, int y) {
    return "click " + std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
}

// A later start of the game saved in `dir`, captured as resumed.bmp and left with Esc; its
// transcript and captures go to the folder `run` inside dir.
inline testsupport::ProgramRun resumeAndCapture(const testsupport::TempDir& dir,
                                                const std::string& run) {
    fs::create_directories(dir.path() / run);
    return testsupport::runHeadless(kProgram, dir.str(),
                                    "wait 5\ncapture resumed.bmp\nkey 1\nwait 5\n", {},
                                    (dir.path() / run).string());
}

// Pixels of the box (x, y, w, h) of a capture that match a keyed strip frame placed there.
inline int matchingPixels(const testsupport::Picture& shot, const std::string& stripFile,
                          int frames, int frame, int x, int y) {
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

inline int opaquePixels(const std::string& stripFile, int frames, int frame) {
    const auto strip = testsupport::readBmp24(kGame + "/" + stripFile);
    const int fw = strip.width / frames;
    int n = 0;
    for (int py = 0; py < strip.height; ++py)
        for (int px = 0; px < fw; ++px) n += !pureBlue(strip, frame * fw + px, py);
    return n;
}

// moves.dat holding these clicks, as the game writes it.
inline void writeMoves(const fs::path& file, const std::vector<std::pair<int, int>>& clicks) {
    std::string bytes;
    auto put = [&bytes](std::int32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
    put(static_cast<std::int32_t>(clicks.size()));
    for (auto [ring, direction] : clicks) {
        put(ring);
        put(direction);
    }
    std::ofstream(file, std::ios::binary) << bytes;
}

inline const ArmPlace& armFor(int ring, int direction) {
    for (const ArmPlace& arm : kArms)
        if (arm.ring == ring && (arm.direction != 0) == (direction != 0)) return arm;
    return kArms[0];
}

// Pixels of the box that differ between two captures, in 16-bit colour.
inline int differingPixels(const testsupport::Picture& a, const testsupport::Picture& b, int x0,
                           int y0, int w, int h) {
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

// The arms a capture shows in their highlighted look, by index in kArms: every opaque pixel
// of the arm's second image is on screen. The strips are read once.
inline std::vector<int> litArms(const testsupport::Picture& shot) {
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

}  // namespace tintarotest
