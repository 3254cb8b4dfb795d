// The hint's solver over 1,000 random reachable boards: the time of one plan (the median and
// the worst, as counters) and its length beside the shortest of twenty searches; and the time
// of each hint of games played out from those boards by following the hints.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "games/tintaro/wheel_solver.h"

namespace {

using tintaro::Click;

// Boards reached from the start layout by random clicks, 1 to 400 of them.
std::vector<std::vector<char>> randomBoards(int count) {
    std::mt19937 random(20261208);
    std::vector<std::vector<char>> boards;
    for (int i = 0; i < count; ++i) {
        std::vector<char> cells(tintaro::startLayout, tintaro::startLayout + tintaro::kCells);
        const int clicks = 1 + static_cast<int>(random() % 400);
        for (int k = 0; k < clicks; ++k)
            tintaro::turnRing(cells.data(), static_cast<int>(random() % 3),
                              static_cast<int>(random() % 2));
        boards.push_back(cells);
    }
    return boards;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void BM_SolverPlansForRandomBoards(benchmark::State& state) {
    const tintaro::WheelSolver solver;
    const auto boards = randomBoards(1000);
    std::vector<double> ms, lengths, shortest;
    for (auto _ : state) {
        ms.clear();
        lengths.clear();
        for (const auto& board : boards) {
            const auto started = std::chrono::steady_clock::now();
            const std::vector<Click> plan = solver.solve(board.data());
            ms.push_back(std::chrono::duration<double, std::milli>(
                             std::chrono::steady_clock::now() - started)
                             .count());
            lengths.push_back(static_cast<double>(plan.size()));
            benchmark::DoNotOptimize(plan.data());
        }
    }
    // With more time: the shortest of twenty searches, on the first hundred boards.
    for (int i = 0; i < 100; ++i)
        shortest.push_back(
            static_cast<double>(solver.solve(boards[static_cast<size_t>(i)].data(), 20).size()));
    std::vector<double> first(lengths.begin(), lengths.begin() + 100);
    state.counters["median_ms"] = median(ms);
    state.counters["worst_ms"] = *std::max_element(ms.begin(), ms.end());
    state.counters["median_clicks"] = median(lengths);
    state.counters["median_clicks_first100"] = median(first);
    state.counters["median_clicks_best_of_20"] = median(shortest);
}
BENCHMARK(BM_SolverPlansForRandomBoards)->Iterations(1)->Unit(benchmark::kMillisecond);

// Each board played to the solved board as the game plays it: a hint, then its click, every
// fifth click a random arm instead; the game plans once and follows its plan.
void BM_HintsAlongPlayedGames(benchmark::State& state) {
    const auto boards = randomBoards(1000);
    std::mt19937 random(20261209);
    std::vector<double> ms;
    double games = 0, clicks = 0;
    WheelGame{}.hintClick();  // the solver's tables, built once, as on a game's first hint
    for (auto _ : state) {
        ms.clear();
        for (const auto& board : boards) {
            WheelGame game;
            std::memcpy(game.cells, board.data(), tintaro::kCells);
            for (int click = 0; click < 4000 && !tintaro::WheelSolver::solved(game.cells);
                 ++click) {
                const auto started = std::chrono::steady_clock::now();
                const MoveRecord* hint = game.hintClick();
                ms.push_back(std::chrono::duration<double, std::milli>(
                                 std::chrono::steady_clock::now() - started)
                                 .count());
                if (hint == nullptr) break;
                MoveRecord next = *hint;
                if (click % 5 == 4)
                    next = {static_cast<int>(random() % 3), static_cast<int>(random() % 2)};
                game.rotateRing(next.ring, next.direction);
                game.recordMove(next.ring, next.direction);
                game.followHint(next.ring, next.direction);
                ++clicks;
            }
            games += tintaro::WheelSolver::solved(game.cells) ? 1 : 0;
        }
    }
    state.counters["median_ms"] = median(ms);
    state.counters["worst_ms"] = *std::max_element(ms.begin(), ms.end());
    state.counters["hints"] = static_cast<double>(ms.size());
    state.counters["solved_games"] = games;
    state.counters["clicks_per_game"] = clicks / static_cast<double>(boards.size());
}
BENCHMARK(BM_HintsAlongPlayedGames)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SolverBuild(benchmark::State& state) {
    for (auto _ : state) {
        tintaro::WheelSolver solver;
        benchmark::DoNotOptimize(&solver);
    }
}
BENCHMARK(BM_SolverBuild)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
