#include "games/tintaro/wheel_game.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "games/tintaro/wheel_solver.h"
#include "platform/storage/folder_lock.h"
#include "platform/storage/path.h"
#include "platform/win32/win32.h"
#include "profile/save_report.h"
#include "profile/score_moves.h"
#include "shell/main_window.h"
#include "shell/timer_service.h"
#include "sound/sound_effect_registry.h"

namespace tintaro {

const CellPosition cellPositions[kCells] = {
    {262, 114}, {320, 114}, {423, 114}, {481, 114}, {212, 142}, {371, 142}, {531, 142}, {184, 192},
    {343, 192}, {400, 192}, {559, 192}, {184, 249}, {343, 249}, {400, 249}, {559, 249}, {292, 278},
    {451, 278}, {212, 300}, {371, 300}, {531, 300}, {262, 329}, {320, 329}, {423, 329}, {481, 329},
    {263, 387}, {480, 387}, {293, 437}, {452, 437}, {343, 465}, {401, 465},
};

const int ringCells[kRings][kRingSize] = {
    {0, 4, 7, 11, 17, 20, 21, 18, 13, 9, 5, 1},
    {2, 5, 8, 12, 18, 22, 23, 19, 14, 10, 6, 3},
    {12, 15, 20, 24, 26, 28, 29, 27, 25, 23, 16, 13},
};

const char ringAccepted[kRings][4] = {"CBG", "YRG", "MRB"};

const char startLayout[kCells + 1] = "MYCMYMCMBRMYCYCGGMMMYRBCCYYCCY";

const Arm arms[6] = {
    {"bluetop", 0, 0},      {"bluebottom", 0, 1},  {"yellowtop", 1, 1},
    {"yellowbottom", 1, 0}, {"magentaleft", 2, 0}, {"magentaright", 2, 1},
};

}  // namespace tintaro

using namespace tintaro;

namespace {
constexpr const char* kScoreFile = "hiscore.dat";
constexpr const char* kMovesFile = "moves.dat";
constexpr const char* kScoreMovesFile = "hiscore.moves";
}  // namespace

WheelGame wheelGame;

WheelGame::WheelGame()
    : dirty(0), cells{}, ringProgress{}, moves(0), bonus(0), moveLog(nullptr), view(nullptr) {
    std::memcpy(cells, startLayout, kCells);
}

WheelGame::~WheelGame() {
    WheelGame::release();
}

void WheelGame::newGame() {
    setScore(0);
    setSettingE(0);
    setSettingA(120);
    setSettingB(15);
    setSettingC(120);
    setSettingD(120);
    setCountdown(getSettingD());
    stopCountdown();
    state = kStateStarting;
    lookUpPlayer(nullptr);
    highScores.resize(ScoreTable::kRows);
    highScores.readFile(kScoreFile);
    for (auto& progress : ringProgress) progress = 0;
    moves = 0;
    bonus = kStartBonus;
    dirty = 1;
    std::memcpy(cells, startLayout, kCells);
    if (moveLog == nullptr) moveLog = new MoveLog();
    loadMoves();
    setArmsEnabled(1);
}

void WheelGame::release() {
    highScores.free();
    if (moveLog != nullptr) moveLog->destroy();
    moveLog = nullptr;
}

int WheelGame::step() {
    return view != nullptr ? view->step(*this) : 5;
}

void WheelGame::rotateRing(int ring, int direction) {
    if (ring < 0 || ring >= kRings) return;
    dirty = 1;
    ++moves;
    bonus -= kBonusPerMove;
    turnRing(cells, ring, direction);
}

void tintaro::turnRing(char* cells, int ring, int direction) {
    if (ring < 0 || ring >= kRings) return;
    const int* list = ringCells[ring];
    char before[kRingSize];
    for (int k = 0; k < kRingSize; ++k) before[k] = cells[list[k]];
    for (int k = 0; k < kRingSize; ++k) {
        // Forward along the list (counter-clockwise) takes the previous cell's colour;
        // backward (clockwise) takes the next one's.
        const int from = direction != 0 ? (k + kRingSize - 1) % kRingSize : (k + 1) % kRingSize;
        cells[list[k]] = before[from];
    }
}

tintaro::Evaluation tintaro::evaluate(const char* cells, const int* oldBest, int bonus) {
    Evaluation e{};
    e.solved = true;
    for (int r = 0; r < kRings; ++r) {
        int count = 0;
        for (int k = 0; k < kRingSize; ++k) {
            const char letter = cells[ringCells[r][k]];
            if (letter != '\0' && std::strchr(ringAccepted[r], letter) != nullptr) ++count;
        }
        e.count[r] = count;
        e.best[r] = count > oldBest[r] ? count : oldBest[r];
        if (count != kRingSize) e.solved = false;
    }
    for (int r = 0; r < kRings; ++r) {
        e.score += kPointsPerCell * e.best[r];
        if (e.best[r] == kRingSize) e.score += kRingComplete;
    }
    if (e.solved) e.score += kSolvedPrize + bonus;
    return e;
}

void WheelGame::evaluateBoard(int ringBell) {
    int oldBest[kRings];
    for (int r = 0; r < kRings; ++r) oldBest[r] = bestCount(r);
    const Evaluation e = evaluate(cells, oldBest, bonus);
    int gain = 0;
    for (int r = 0; r < kRings; ++r) {
        ringProgress[r] = (e.best[r] << 8) | e.count[r];
        gain += e.best[r] - oldBest[r];
    }
    if (e.solved) {
        showCongratulation();
        state = kStateSolved;
    }
    if (ringBell != 0 && gain > 0) playEffect("bell");
    setScore(e.score);
}

void WheelGame::lookUpPlayer(char* entryOut) {
    roster.setPath("..\\options.ini");
    playerId = roster.readCurrentId();
    roster.readProfile(playerId);
    setWindowTitle(roster.profiles[playerId].name);
    if (entryOut != nullptr) roster.describePlayer(playerId, entryOut);
}

void WheelGame::submitScore() {
    char entry[256];
    lookUpPlayer(entry);
    if (moveLog == nullptr) moveLog = new MoveLog();
    const EnteredScore earlier = moveLog->entered;
    const int score = getScore();
    // This game has its row already: only a better score replaces it.
    if (earlier.present && score <= earlier.score) return;
    // The table is read again under the folder's lock, so that another copy's rows and a
    // Clear made in the menu meanwhile are kept: this game changes only its own row.
    platform::FolderLock lock(platform::resolvePath(kScoreFile));
    highScores.resize(ScoreTable::kRows);
    highScores.readFile(kScoreFile);
    bool changed = false;
    if (earlier.present) {
        const int row = highScores.find(earlier.name, earlier.score);
        if (row >= 0) {
            highScores.removeRow(row);
            changed = true;
        }
    }
    EnteredScore next;
    if (highScores.insert(entry, score) == 1) {
        changed = true;
        next.present = true;
        next.score = score;
        std::snprintf(next.name, sizeof next.name, "%s", entry);
    }
    if (!changed) {
        moveLog->entered = next;
        return;
    }
    // The saved game learns of the new row before the table holds it, with the row it
    // replaces: a start after a crash between the two files keeps exactly one of them.
    moveLog->entered = next;
    moveLog->pending = PendingRow{true, earlier};
    moveLog->save(kMovesFile);
    moveLog->pending = PendingRow{};
    if (highScores.writeFile(kScoreFile) != 1) {
        reportFailedSave("Your score", kScoreFile);
        // The table still holds what it held: so does the game's memory of its row.
        moveLog->entered = earlier;
        highScores.resize(ScoreTable::kRows);
        highScores.readFile(kScoreFile);
        return;
    }
    if (next.present) keepMovesOfRow(next);
}

void WheelGame::keepMovesOfRow(const EnteredScore& row) {
    // After the table: a failure here loses only the moves, never the score, and an upload
    // of a row without moves simply goes without them.
    ScoreMovesRow kept;
    kept.score = row.score;
    std::memcpy(kept.name, row.name, sizeof kept.name);
    for (int i = 0; moveLog != nullptr && i < moveLog->size(); ++i)
        kept.moves.push_back(ScoreMoves::moveCode(moveLog->at(i)->ring, moveLog->at(i)->direction));
    ScoreMoves file;
    file.readFile(kScoreMovesFile);
    file.keep(highScores, kept);
    if (file.writeFile(kScoreMovesFile) != 1)
        reportFailedSave("The moves of your score", kScoreMovesFile);
}

void WheelGame::recordMove(int ring, int direction) {
    if (moveLog == nullptr) moveLog = new MoveLog();
    moveLog->append(ring, direction);
}

void WheelGame::saveMoves(const char* fileName) {
    if (moveLog == nullptr) moveLog = new MoveLog();
    if (!moveLog->save(fileName)) reportFailedSave("Your game", fileName);
}

void WheelGame::saveGame() {
    // The score first: the saved moves remember the row it made.
    submitScore();
    saveMoves(kMovesFile);
}

void WheelGame::loadMoves() {
    if (moveLog != nullptr) moveLog->clear();
    char buffer[256];
    GetPrivateProfileStringA("setup", "loadmoves", "0", buffer, sizeof(buffer), ".\\setup.ini");
    if (std::atoi(buffer) == 0) return;
    EnteredScore entry;
    PendingRow pending;
    HintPlan plan;
    const std::vector<MoveRecord> saved = MoveLog::readFile(kMovesFile, &entry, &pending, &plan);
    for (const MoveRecord& move : saved) {
        rotateRing(move.ring, move.direction);
        recordMove(move.ring, move.direction);
        evaluateBoard(0);
    }
    // A row that was on its way into the table when the game last stopped: the game owns
    // whichever of the new and the replaced row the table holds, or none.
    if (pending.present && entry.present && highScores.find(entry.name, entry.score) < 0)
        entry = pending.replaced.present &&
                        highScores.find(pending.replaced.name, pending.replaced.score) >= 0
                    ? pending.replaced
                    : EnteredScore{};
    if (moveLog == nullptr) return;
    moveLog->entered = entry;
    // The hint goes on with its plan only when the plan starts from the board replayed; it
    // is reduced again, so that even a plan written elsewhere never undoes a hinted click.
    if (!plan.present || plan.logSize != moveLog->size()) return;
    std::vector<Click> clicks;
    for (const MoveRecord& c : plan.clicks) clicks.push_back({c.ring, c.direction});
    plan.clicks.clear();
    for (const Click& c : reduceClicks(clicks)) plan.clicks.push_back({c.ring, c.direction});
    moveLog->plan = std::move(plan);
}

const MoveRecord* WheelGame::hintClick() {
    if (moveLog == nullptr) moveLog = new MoveLog();
    HintPlan& plan = moveLog->plan;
    if (!plan.present || plan.logSize != moveLog->size() || plan.clicks.empty()) {
        // One solver for the program's life, built for the first plan: its move tables take a
        // moment, and a resumed game that has its plan needs none.
        static const WheelSolver solver;
        plan = HintPlan{true, moveLog->size(), {}};
        for (const Click& c : solver.solve(cells)) plan.clicks.push_back({c.ring, c.direction});
    }
    return plan.clicks.empty() ? nullptr : &plan.clicks.front();
}

void WheelGame::followHint(int ring, int direction) {
    if (moveLog == nullptr) return;
    HintPlan& plan = moveLog->plan;
    const int logSize = moveLog->size();
    if (!plan.present || plan.logSize != logSize - 1 || plan.clicks.empty()) {
        plan = HintPlan{};
        return;
    }
    plan.logSize = logSize;
    const MoveRecord next = plan.clicks.front();
    if (next.ring == ring && (next.direction != 0) == (direction != 0)) {
        plan.clicks.erase(plan.clicks.begin());
        return;
    }
    std::vector<Click> way{{ring, direction != 0 ? 0 : 1}};
    for (const MoveRecord& c : plan.clicks) way.push_back({c.ring, c.direction});
    way = reduceClicks(way);
    plan.clicks.clear();
    if (way.size() > static_cast<std::size_t>(MoveLog::kMaxPlanClicks)) {
        plan = HintPlan{};
        return;
    }
    for (const Click& c : way) plan.clicks.push_back({c.ring, c.direction});
}

void WheelGame::setArmsEnabled(int on) {
    if (view != nullptr) view->setArmsEnabled(on);
}

void WheelGame::showCongratulation() {
    if (view != nullptr) view->showCongratulation();
}

void WheelGame::playEffect(const char* name) {
    soundRegistry.playSound(name, 65535, 0);
}
