// Shared pieces of the game's tests: a game folder as the working folder (with the menu's
// folder above it, where options.ini lives), a game that counts the sounds it requests and
// a view that counts what the rules ask of the screen.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "games/tintaro/wheel_game.h"
#include "tests/support/temp_dir.h"

namespace tintarotest {

// Makes <temp>/Tintaro the working folder for the object's lifetime.
class GameFolder {
public:
    GameFolder() : previous_(std::filesystem::current_path()) {
        game_ = dir_.path() / "Tintaro";
        std::filesystem::create_directories(game_);
        std::filesystem::current_path(game_);
        setenv("STUDIO_PROFILE_DIR", dir_.str().c_str(), 1);
    }
    ~GameFolder() { std::filesystem::current_path(previous_); }
    GameFolder(const GameFolder&) = delete;
    GameFolder& operator=(const GameFolder&) = delete;

    // Writes a file relative to the game folder.
    std::string write(const std::string& name, const std::string& contents) const {
        return dir_.write("Tintaro/" + name, contents);
    }
    std::string read(const std::string& name) const { return dir_.read("Tintaro/" + name); }
    bool exists(const std::string& name) const { return std::filesystem::exists(game_ / name); }
    const std::filesystem::path& menuFolder() const { return dir_.path(); }

private:
    testsupport::TempDir dir_;
    std::filesystem::path previous_;
    std::filesystem::path game_;
};

class CountingGame : public WheelGame {
public:
    int count(const std::string& name) const {
        auto it = effects.find(name);
        return it == effects.end() ? 0 : it->second;
    }
    std::map<std::string, int> effects;

protected:
    void playEffect(const char* name) override { ++effects[name]; }
};

class RecordingView : public WheelGameView {
public:
    int step(WheelGame&) override {
        ++steps;
        return 5;
    }
    void setArmsEnabled(int on) override { armsCalls.push_back(on); }
    void showCongratulation() override { ++congratulations; }

    int steps = 0;
    int congratulations = 0;
    std::vector<int> armsCalls;
};

inline std::string board(const WheelGame& game) {
    return std::string(game.cells, tintaro::kCells);
}

inline void setBoard(WheelGame& game, const std::string& cells) {
    for (int i = 0; i < tintaro::kCells; ++i) game.cells[i] = cells.at(static_cast<size_t>(i));
}

inline const tintaro::Arm& arm(const std::string& name) {
    for (const auto& a : tintaro::arms)
        if (name == a.name) return a;
    std::abort();
}

// The only board that satisfies every ring: each ring's own cells hold its colour that no
// other ring accepts, the shared cells the one colour both of their rings accept.
inline const std::string kSolvedBoard = "CCYYCGYCYCYCRBYMMCGYBCYRMMMMMM";
inline const std::string kStartBoard = "MYCMYMCMBRMYCYCGGMMMYRBCCYYCCY";

// Score of a game solved with n rotations.
inline int solvedScore(int n) {
    return 3600 + 3 * 100000 + 1000000 + (500000 - 125 * n);
}

}  // namespace tintarotest
