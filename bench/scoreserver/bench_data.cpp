// Makes the score server benchmark's data from games played with Tintaro's own rules:
//   scoreserver_bench_data DATABASE ROWS UPLOADS_FILE UPLOADS
//   scoreserver_bench_data DATABASE      (prints how many rows the table holds)
// fills a table of ROWS verified scores in DATABASE (an SQLite file or a postgresql://
// address) through the store (from many threads, so
// that its commits are grouped), and writes UPLOADS more distinct games as upload queries, one
// a line, to UPLOADS_FILE. Every game is random clicks from the start layout, stopped where
// the board is solved, with the score its moves earn; games earning nothing are skipped.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "games/tintaro/move_score.h"
#include "scoreserver/open_store.h"
#include "scoreserver/upload_query.h"

namespace {

struct Game {
    std::string moves;
    std::int32_t score = 0;
};

// Distinct games, from a fixed seed so that runs compare.
std::vector<Game> playGames(std::size_t count) {
    std::mt19937_64 random(20261209);
    std::uniform_int_distribution<int> length(30, 160);
    std::uniform_int_distribution<int> digit(0, 5);
    std::unordered_set<std::string> seen;
    std::vector<Game> games;
    std::vector<MoveRecord> moves;
    while (games.size() < count) {
        Game game;
        moves.clear();
        for (int i = length(random); i > 0; --i) {
            const int d = digit(random);
            moves.push_back({d / 2, d % 2});
            game.moves.push_back(static_cast<char>('0' + d));
        }
        const tintaro::ReplayedScore replayed = tintaro::scoreOfMoves(moves.data(), moves.size());
        if (replayed.solvedAfter != 0) game.moves.resize(replayed.solvedAfter);
        game.score = replayed.score;
        if (game.score > 0 && seen.insert(game.moves).second) games.push_back(std::move(game));
    }
    return games;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) {
        // The number of rows the file's table holds.
        try {
            const std::unique_ptr<scoreserver::ScoreStore> opened = scoreserver::openStore(argv[1]);
            scoreserver::ScoreStore& store = *opened;
            std::printf("%lld\n", static_cast<long long>(store.count("Tintaro")));
            return 0;
        } catch (const scoreserver::StoreError& e) {
            std::fprintf(stderr, "scoreserver_bench_data: %s\n", e.what());
            return 1;
        }
    }
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: scoreserver_bench_data DATABASE [ROWS UPLOADS_FILE UPLOADS]\n");
        return 2;
    }
    const std::size_t rows = std::strtoul(argv[2], nullptr, 10);
    const std::size_t uploads = std::strtoul(argv[4], nullptr, 10);
    const std::vector<Game> games = playGames(rows + uploads);

    std::ofstream out(argv[3]);
    for (std::size_t i = rows; i < games.size(); ++i)
        out << "game=Tintaro&name=Bench%20" << i
            << "&score=" << (games[i].score ^ scoreserver::kScoreMask)
            << "&moves=" << games[i].moves << '\n';
    out.close();
    if (!out) {
        std::fprintf(stderr, "scoreserver_bench_data: cannot write %s\n", argv[3]);
        return 1;
    }

    try {
        const std::unique_ptr<scoreserver::ScoreStore> opened = scoreserver::openStore(argv[1]);
        scoreserver::ScoreStore& store = *opened;
        const auto now = static_cast<std::int64_t>(std::time(nullptr));
        constexpr std::size_t kThreads = 64;
        std::vector<std::thread> threads;
        std::atomic<bool> failed = false;
        for (std::size_t t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (std::size_t i = t; i < rows && !failed; i += kThreads) {
                    scoreserver::NewScore s;
                    s.game = "Tintaro";
                    s.name = "Player " + std::to_string(i);
                    s.score = games[i].score;
                    s.verified = true;
                    s.moves = games[i].moves;
                    s.submittedAt = now - static_cast<std::int64_t>(rows - i);
                    try {
                        store.add(s);
                    } catch (const scoreserver::StoreError& e) {
                        std::fprintf(stderr, "scoreserver_bench_data: %s\n", e.what());
                        failed = true;
                    }
                }
            });
        for (std::thread& thread : threads) thread.join();
        if (failed) return 1;
        std::printf("%lld rows in the table, %zu uploads written\n",
                    static_cast<long long>(store.count("Tintaro")), uploads);
    } catch (const scoreserver::StoreError& e) {
        std::fprintf(stderr, "scoreserver_bench_data: %s\n", e.what());
        return 1;
    }
    return 0;
}
