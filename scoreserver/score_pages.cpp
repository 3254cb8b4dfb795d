#include "scoreserver/score_pages.h"

#include <algorithm>
#include <ctime>

namespace scoreserver {

namespace {

// The games' look: dark plum, gold headings and buttons, light text.
constexpr std::string_view kStyle =
    "body{background:#2a1033;color:#f4ecf7;font-family:sans-serif;line-height:1.4;"
    "max-width:40em;margin:0 auto;padding:1em}"
    "h1,h2,th{color:#ffb818}a{color:#ffb818}"
    "table{border-collapse:collapse;width:100%}th,td{text-align:left;padding:.25em .5em}"
    "tr:nth-child(even){background:#3a1a45}tr.you{background:#5a2a6a;font-weight:bold}"
    "tr.unchecked{color:#b8a6bf;font-style:italic}.note{color:#b8a6bf;font-size:.9em}"
    "ul{padding-left:1.2em}li{margin:.4em 0}"
    "button{background:#ffb818;color:#2a1033;border:0;border-radius:.3em;font-size:1.2em;"
    "padding:.5em 2em}";

std::string document(std::string_view title, std::string_view body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
           htmlEscape(title) + "</title><style>" + std::string(kStyle) +
           "</style></head>\n<body>\n" + std::string(body) + "</body></html>\n";
}

// The table's address for a game and page, every byte of the name but letters and digits
// as %XX.
std::string tableLink(std::string_view game, std::int64_t page) {
    static const char hex[] = "0123456789ABCDEF";
    std::string link = "/hiscores?game=";
    for (const char c : game) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
            link += c;
        } else {
            link += '%';
            link += hex[b >> 4];
            link += hex[b & 15];
        }
    }
    return link + "&amp;page=" + std::to_string(page);
}

// The rows as a table; the row of `you` (when given) is marked. A score that came without
// its moves keeps its rank but is marked "unchecked", in a paler row.
std::string rowsTable(const std::vector<TableRow>& rows, const NewScore* you) {
    std::string html =
        "<table>\n<tr><th>Rank</th><th>Name</th><th>Score</th><th>Date</th><th>Checked</th></tr>\n";
    for (const TableRow& row : rows) {
        const bool mine = you != nullptr && row.name == you->name && row.score == you->score;
        std::string classes = mine ? "you" : "";
        if (!row.verified) classes += classes.empty() ? "unchecked" : " unchecked";
        html += (classes.empty() ? std::string("<tr>") : "<tr class=\"" + classes + "\">") +
                "<td>" + std::to_string(row.rank) + "</td><td>" + htmlEscape(row.name) +
                "</td><td>" + std::to_string(row.score) + "</td><td>" + utcDate(row.submittedAt) +
                "</td><td>" + (row.verified ? "replayed" : "unchecked") + "</td></tr>\n";
    }
    html += "</table>\n";
    if (std::any_of(rows.begin(), rows.end(), [](const TableRow& r) { return !r.verified; }))
        html +=
            "<p class=\"note\">Unchecked scores came without their moves, so the server could "
            "not replay them.</p>\n";
    return html;
}

}  // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string utcDate(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (gmtime_r(&t, &tm) == nullptr) return "?";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
    return text;
}

std::string messagePage(std::string_view title, std::string_view message) {
    return document(title,
                    "<h1>" + htmlEscape(title) + "</h1>\n<p>" + htmlEscape(message) + "</p>\n");
}

std::string previewPage(const NewScore& score, std::string_view action, std::string_view token) {
    std::string body = "<h1>Publish your score?</h1>\n<table>\n";
    body += "<tr><th>Game</th><td>" + htmlEscape(score.game) + "</td></tr>\n";
    body += "<tr><th>Name</th><td>" + htmlEscape(score.name) + "</td></tr>\n";
    body += "<tr><th>Score</th><td>" + std::to_string(score.score) + "</td></tr>\n";
    body += std::string("<tr><th>Checked</th><td>") +
            (score.verified ? "yes, by replaying its moves" : "no, it came without its moves") +
            "</td></tr>\n</table>\n";
    body += "<p>Only the name and the score are shown in the hall of fame.</p>\n";
    body += "<form method=\"post\" action=\"" + htmlEscape(action) +
            "\"><input type=\"hidden\" name=\"token\" value=\"" + htmlEscape(token) +
            "\"><button type=\"submit\">Publish</button></form>\n";
    return document("Publish your score?", body);
}

std::string publishedPage(const NewScore& score, bool duplicate, std::int64_t rank,
                          const std::vector<TableRow>& rows) {
    std::string body = "<h1>" + htmlEscape(score.game) + " hall of fame</h1>\n<p>";
    body += duplicate ? "This score is in the hall of fame already" : "Your score was published";
    body += ", at rank " + std::to_string(rank) + ".</p>\n" + rowsTable(rows, &score);
    body += "<p><a href=\"" + tableLink(score.game, 0) + "\">The whole table</a></p>\n";
    return document(std::string(score.game) + " hall of fame", body);
}

std::string tablePage(std::string_view game, const std::vector<TableRow>& rows, std::int64_t page,
                      std::int64_t total) {
    const std::int64_t pages = (total + kRowsPerPage - 1) / kRowsPerPage;
    std::string body = "<h1>" + htmlEscape(game) + " hall of fame</h1>\n<p>Page " +
                       std::to_string(page + 1) + " of " + std::to_string(pages) + ", " +
                       std::to_string(total) + " scores.</p>\n" + rowsTable(rows, nullptr);
    body += "<p>";
    if (page > 0) {
        body += "<a href=\"" + tableLink(game, 0) + "\">First</a> ";
        body += "<a href=\"" + tableLink(game, std::min(page, pages) - 1) + "\">Previous</a> ";
    }
    if (page + 1 < pages) {
        body += "<a href=\"" + tableLink(game, page + 1) + "\">Next</a> ";
        body += "<a href=\"" + tableLink(game, pages - 1) + "\">Last</a>";
    }
    body += "</p>\n<p><a href=\"/\">All games</a></p>\n";
    return document(std::string(game) + " hall of fame", body);
}

std::string gamesPage(const std::vector<GameSummary>& games) {
    std::string body = "<h1>Halls of fame</h1>\n";
    if (games.empty()) {
        body += "<p>No scores have been published yet.</p>\n";
    } else {
        body += "<ul>\n";
        for (const GameSummary& game : games)
            body += "<li><a href=\"" + tableLink(game.name, 0) + "\">" + htmlEscape(game.name) +
                    "</a>, " + std::to_string(game.scores) + " scores</li>\n";
        body += "</ul>\n";
    }
    return document("Halls of fame", body);
}

}  // namespace scoreserver
