// The moves of an upload: one digit per move, '0' + 2 * ring + (direction != 0), in the order
// played.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "games/tintaro/move_log.h"

namespace scoreserver {

// The most moves an upload may carry. Every solved game whose score can enter a hall of fame
// (above zero) has at most 14428 moves; 16384 is above that and keeps the request line well
// inside what the HTTP layer takes.
constexpr std::size_t kMaxMoves = 16384;

// The moves the text names, or nothing when it is empty, longer than kMaxMoves or holds any
// character outside '0' ... '5'.
std::optional<std::vector<MoveRecord>> parseMoves(std::string_view text);

}  // namespace scoreserver
