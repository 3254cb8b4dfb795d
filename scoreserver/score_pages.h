// The HTML pages the server answers with, in the games' colours and readable on a phone:
// an upload's preview with its Publish button, the published score's rank, a page of a
// game's table, the list of games and plain messages. Every text from outside is escaped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scoreserver/score_store.h"

namespace scoreserver {

// Rows on one page of a table.
constexpr int kRowsPerPage = 100;

// The text with & < > " ' as character references.
std::string htmlEscape(std::string_view text);
// "YYYY-MM-DD" of the time (seconds since 1970) in UTC.
std::string utcDate(std::int64_t seconds);

// A page with a heading and one sentence.
std::string messagePage(std::string_view title, std::string_view message);
// What an upload would publish (the game, the public name, the score, whether it was
// checked), with a form that POSTs the token to `action`.
std::string previewPage(const NewScore& score, std::string_view action, std::string_view token);
// The score published (or found there already), its rank and the rows around it, starting
// at that table's rank `rows[0].rank`.
std::string publishedPage(const NewScore& score, bool duplicate, std::int64_t rank,
                          const std::vector<TableRow>& rows);
// Page `page` (0-based) of the game's table of `total` rows, showing `rows`, with links to
// the first, previous, next and last pages.
std::string tablePage(std::string_view game, const std::vector<TableRow>& rows, std::int64_t page,
                      std::int64_t total);

// The games that have scores, each with a link to its table.
std::string gamesPage(const std::vector<GameSummary>& games);

}  // namespace scoreserver
