// Tintaro's rules: thirty chips on three overlapping rings of twelve cells. A move turns one
// ring by one cell; each ring accepts three colours, a shared cell only the colour both of
// its rings accept. The score rewards each ring's best count, finished rings and solving.
#pragma once

#include <cstdint>

#include "games/tintaro/move_log.h"
#include "games/tintaro/wheel_game_view.h"
#include "profile/game_record.h"
#include "profile/player_roster.h"
#include "profile/score_table.h"

namespace tintaro {

constexpr int kCells = 30;
constexpr int kRings = 3;
constexpr int kRingSize = 12;

// The screen position each cell's chip is drawn from.
struct CellPosition {
    int x;
    int y;
};
extern const CellPosition cellPositions[kCells];

// Each ring's cells, counter-clockwise on screen, from the cell just left of its top.
extern const int ringCells[kRings][kRingSize];
// The three colour letters each ring accepts.
extern const char ringAccepted[kRings][4];
// The colour letters of cells 0 ... 29 at the start of a game.
extern const char startLayout[kCells + 1];

// The six arms that turn the rings, in the order the game checks them.
struct Arm {
    const char* name;
    int ring;
    int direction;
};
extern const Arm arms[6];

// Turns one ring of a board of kCells colour letters by one cell: direction 0 clockwise on
// screen, anything else counter-clockwise. Rings outside 0 ... 2 do nothing.
void turnRing(char* cells, int ring, int direction);

// One evaluation of a board against each ring's best count so far: the rings' counts, their
// bests raised to them, whether the board is solved and the score with `bonus` (the bonus
// after the last move). WheelGame::evaluateBoard and the replay of a move list share it.
struct Evaluation {
    int count[kRings];
    int best[kRings];
    bool solved;
    int score;
};
Evaluation evaluate(const char* cells, const int* oldBest, int bonus);

// Game states.
constexpr int kStatePlaying = 1;
constexpr int kStateStarting = 9;
constexpr int kStateSolved = 10;

constexpr int kStartBonus = 500000;
constexpr int kBonusPerMove = 125;
constexpr int kPointsPerCell = 100;
constexpr int kRingComplete = 100000;
constexpr int kSolvedPrize = 1000000;

}  // namespace tintaro

class WheelGame : public GameRecord {
public:
    WheelGame();
    ~WheelGame() override;
    WheelGame(const WheelGame&) = delete;
    WheelGame& operator=(const WheelGame&) = delete;

    // Starts a game: settings, player, high scores, board, and the saved moves' replay.
    void newGame() override;
    // Frees the high-score table and the move log.
    void release() override;
    // The screen's per-frame step (5, go on, while no screen is attached).
    int step() override;

    // One move: direction 0 turns the ring clockwise on screen, anything else
    // counter-clockwise. Neither evaluates nor draws. Rings outside 0 ... 2 do nothing.
    void rotateRing(int ring, int direction);
    // Recounts the rings, updates the bests and the score, detects the solved board; with
    // ringBell non-zero the bell marks a raised best.
    void evaluateBoard(int ringBell);
    // Reads the current player and titles the window with the name; with entryOut (at least
    // 256 bytes) also writes the player's high-score text.
    void lookUpPlayer(char* entryOut);
    // Enters the score under the current player and saves the table when it changed. A
    // game has one row at most: once entered (also before a resume), only a better score
    // replaces that row. The table is read again first, so only this game's row changes.
    void submitScore();
    // Keeps the moves of this game beside the table in hiscore.moves, under the row it made
    // (which the table must hold); rows the table no longer holds are dropped from the file.
    void keepMovesOfRow(const EnteredScore& row);

    void recordMove(int ring, int direction);
    // Writes the move log to the file (atomically; a failed write keeps the old file and
    // tells the player once).
    void saveMoves(const char* fileName);
    // What leaving the game does, whichever way it is left: the score entered, then the
    // moves saved to moves.dat so that the next start resumes the game.
    void saveGame();
    // Empties the log and, when setup.ini's "loadmoves" is set, replays moves.dat.
    void loadMoves();

    // The hint's next click, from the plan kept with the move log; the plan is made from the
    // board when the log has none that starts from it. Null when there is none to give.
    const MoveRecord* hintClick();
    // After a click has been logged: the plan goes on when it was the planned click; else the
    // click's inverse goes in front of the plan (reduced), so the plan grows by one click at
    // most and no resume or later hint starts it over.
    void followHint(int ring, int direction);

    void setArmsEnabled(int on);
    void showCongratulation();

    // Best and last counts of accepted cells of a ring, 0 ... 12.
    int bestCount(int ring) const { return ringProgress[ring] >> 8; }
    int currentCount(int ring) const { return ringProgress[ring] & 0xFF; }

    std::int32_t dirty;
    ScoreTable highScores;
    char cells[tintaro::kCells];
    // Per ring: bits 8-31 the best count this game, bits 0-7 the count at the last evaluation.
    std::int32_t ringProgress[tintaro::kRings];
    std::int32_t moves;
    std::int32_t bonus;
    MoveLog* moveLog;

    // The profiles the game names its scores and window after.
    PlayerRoster roster;
    // The screen showing the game, or null.
    WheelGameView* view;

protected:
    // Plays a named sound effect at full volume, centred.
    virtual void playEffect(const char* name);
};

extern WheelGame wheelGame;
