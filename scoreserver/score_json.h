// The tables as JSON for the API: /api/games and a game's /api/games/<game>/scores. Every
// string is escaped (control characters as \u00XX) and comes out as valid UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scoreserver/score_store.h"

namespace scoreserver {

// The most rows one API answer holds.
constexpr int kMaxApiRows = 100;

// The text as a JSON string with its quotes: '"' and '\' escaped, every control character
// and DEL as \u00XX, '<', '>' and '&' as \u00XX too (so it never reads as markup), and each
// byte that is not part of well-formed UTF-8 as \ufffd.
std::string jsonString(std::string_view text);

// {"games":[{"name":..,"scores":N,"url":..},..]}
std::string gamesJson(const std::vector<GameSummary>& games);
// {"game":..,"total":N,"offset":N,"limit":N,"scores":[{"rank":..,"name":..,"score":..,
// "submitted":..,"date":..,"verified":..},..]}
std::string scoresJson(std::string_view game, std::int64_t total, std::int64_t offset, int limit,
                       const std::vector<TableRow>& rows);
// {"error":..}
std::string errorJson(std::string_view message);

}  // namespace scoreserver
