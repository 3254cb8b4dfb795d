// Prints upload queries for the browser test, one a line, as the menu would send them: first a
// solved Tintaro game with its moves, played through the game's rules (so the server's replay
// verifies it), then scores without moves around it, which the server keeps unchecked. Each
// line is "<score> <query>".
#include <cstdio>
#include <string>

#include "tests/scoreserver/upload_support.h"

int main() {
    const servertest::PlayedGame solved = servertest::solvedGame();
    if (solved.moves.empty() || solved.score <= 0) return 1;
    std::printf("%d %s\n", solved.score,
                servertest::query("Tintaro", "Ada Lovelace:1 Secret Road:ada@example.org:Y",
                                  solved.score, solved.moves)
                    .c_str());
    // Two above it, three below; one with markup and one long name without spaces.
    const struct {
        const char* name;
        int offset;
    } others[] = {{"Bo", 900},
                  {"Wolfgang-Amadeus-Theophilus-of-Salzburg-and-Vienna-1756", 300},
                  {"<b>Cy</b>", -200},
                  {"Di", -500},
                  {"Eve", -800}};
    for (const auto& other : others) {
        const int score = solved.score + other.offset;
        std::printf("%d %s\n", score, servertest::query("Tintaro", other.name, score).c_str());
    }
    return 0;
}
