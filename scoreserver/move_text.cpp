#include "scoreserver/move_text.h"

std::optional<std::vector<MoveRecord>> scoreserver::parseMoves(std::string_view text) {
    if (text.empty() || text.size() > kMaxMoves) return std::nullopt;
    std::vector<MoveRecord> moves;
    moves.reserve(text.size());
    for (const char c : text) {
        if (c < '0' || c > '5') return std::nullopt;
        const int digit = c - '0';
        moves.push_back({digit / 2, digit % 2});
    }
    return moves;
}
