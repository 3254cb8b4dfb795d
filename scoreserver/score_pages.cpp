#include "scoreserver/score_pages.h"

#include <ctime>

namespace scoreserver {

namespace {

std::string document(std::string_view title, std::string_view body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + htmlEscape(title) +
           "</title></head>\n<body>\n" + std::string(body) + "</body></html>\n";
}

// The table's address for a game and page; the game's name is letters, digits, ' ', '-' and
// '_' only, so only the space needs escaping.
std::string tableLink(std::string_view game, std::int64_t page) {
    std::string link = "/hiscores?game=";
    for (const char c : game) link += c == ' ' ? std::string("%20") : std::string(1, c);
    return link + "&amp;page=" + std::to_string(page);
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

std::string uploadPage(const IntakeResult& result) {
    std::string body = "<h1>Hall of fame</h1>\n<p>" + htmlEscape(result.message) + "</p>\n";
    if (result.status != IntakeResult::Status::Refused)
        body += "<p><a href=\"" + tableLink(result.game, 0) + "\">" + htmlEscape(result.game) +
                " hall of fame</a></p>\n";
    return document("Hall of fame", body);
}

std::string tablePage(std::string_view game, const std::vector<TableRow>& rows, std::int64_t page,
                      std::int64_t total) {
    std::string body = "<h1>" + htmlEscape(game) + " hall of fame</h1>\n";
    body +=
        "<table>\n<tr><th>Rank</th><th>Name</th><th>Score</th><th>Date</th><th>Checked</th></tr>\n";
    for (const TableRow& row : rows)
        body += "<tr><td>" + std::to_string(row.rank) + "</td><td>" + htmlEscape(row.name) +
                "</td><td>" + std::to_string(row.score) + "</td><td>" + utcDate(row.submittedAt) +
                "</td><td>" + (row.verified ? "yes" : "no") + "</td></tr>\n";
    body += "</table>\n<p>";
    if (page > 0) body += "<a href=\"" + tableLink(game, page - 1) + "\">Previous</a> ";
    if ((page + 1) * kRowsPerPage < total)
        body += "<a href=\"" + tableLink(game, page + 1) + "\">Next</a>";
    body += "</p>\n";
    return document(std::string(game) + " hall of fame", body);
}

}  // namespace scoreserver
