// The HTML pages the server answers with: the result of an upload and a page of a game's
// table. Every text from outside is escaped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scoreserver/score_intake.h"
#include "scoreserver/score_store.h"

namespace scoreserver {

// Rows on one page of a table.
constexpr int kRowsPerPage = 50;

// The text with & < > " ' as character references.
std::string htmlEscape(std::string_view text);
// "YYYY-MM-DD" of the time (seconds since 1970) in UTC.
std::string utcDate(std::int64_t seconds);

std::string uploadPage(const IntakeResult& result);
// Page `page` (0-based) of the game's table of `total` rows, showing `rows`.
std::string tablePage(std::string_view game, const std::vector<TableRow>& rows, std::int64_t page,
                      std::int64_t total);

}  // namespace scoreserver
