#include "scoreserver/score_pages.h"

#include <algorithm>
#include <ctime>

#include "scoreserver/web_logo.h"

namespace scoreserver {

namespace {

// The games' look: the paper-to-sky backdrop, a white rounded panel, headings in the
// buttons' teal, tables with the hall of fame's purple head and lavender bands, the player's
// own row in the rings' yellow, glossy teal buttons. Sized for a phone's 360 px up to a
// desktop, with tap targets at least 44 px high.
constexpr std::string_view kStyle =
    "*{box-sizing:border-box}"
    "html{background:#dae8fb}"
    "body{margin:0;padding:0 8px 1.5em;min-height:100vh;color:#252a4f;"
    "background:linear-gradient(#fbf6ec,#dae8fb) fixed;"
    "font:16px/1.45 'DejaVu Sans',Verdana,sans-serif}"
    "header,main{max-width:46em;margin:0 auto}"
    "header{padding:.8em 4px .5em}header a{display:inline-block}"
    "header img{display:block;max-width:100%;height:auto}"
    "main{background:#fefeff;border:1.5px solid #8e97a3;border-radius:18px;padding:.8em 1.2em 1em;"
    "box-shadow:0 4px 16px rgba(37,42,79,.18)}"
    "h1{color:#2e8fb8;font-size:1.6em;line-height:1.2;margin:.3em 0 .6em}"
    "a{color:#3366c3}"
    "table{width:100%;border-collapse:separate;border-spacing:0;border:1.5px solid #782e9e;"
    "border-radius:12px;overflow:hidden;margin:.6em 0}"
    "th,td{text-align:left;padding:.5em .45em;vertical-align:baseline}"
    "th{background:#782e9e;color:#fff;font-size:.85em}"
    "td{border-top:1px solid #e3def3}"
    "tr:nth-child(odd) td{background:#f1ecfe}"
    "td:nth-child(1),td:nth-child(3){text-align:right;font-variant-numeric:tabular-nums}"
    "td:nth-child(2){overflow-wrap:anywhere;word-break:break-word}"
    "td:nth-child(4){font-size:.85em;white-space:nowrap}"
    "tr.you td{background:#fcf0c7;font-weight:bold}"
    "tr.you td:first-child{box-shadow:inset 6px 0 #f5c21f}"
    "tr.unchecked td{color:#6b717c;font-style:italic}"
    "td.ok{color:#2d7236;font-weight:bold;white-space:nowrap}"
    "td.ok span{display:inline-block;width:1.35em;height:1.35em;line-height:1.35em;"
    "text-align:center;border-radius:50%;background:#40a34c;color:#fff;margin-right:.2em}"
    "td.no{font-size:.85em}th:last-child,td:last-child{padding-right:.6em}"
    "table.facts th{width:6.5em;background:#f1ecfe;color:#782e9e;font-size:1em}"
    "table.facts td{background:#fefeff;font-weight:bold}"
    ".note{color:#6b717c;font-size:.9em}"
    "ul.games{list-style:none;padding:0}"
    "ul.games li{margin:.5em 0;padding:.3em .8em;background:#f1ecfe;border-radius:12px}"
    "ul.games a{display:inline-block;min-height:44px;line-height:44px;"
    "font-weight:bold;font-size:1.15em}"
    "nav{display:flex;flex-wrap:wrap;gap:.5em;margin:.8em 0}"
    "nav a,button{display:inline-block;min-height:44px;line-height:44px;padding:0 1.1em;"
    "border-radius:22px;border:2px solid #fff;color:#fff;font-weight:bold;text-decoration:none;"
    "background:linear-gradient(#77b6d1,#2e8fb8 55%,#226b8a);box-shadow:0 2px 5px "
    "rgba(37,42,79,.3);text-shadow:0 1px 1px #226b8a}"
    "button{font:inherit;font-size:1.25em;font-weight:bold;min-height:52px;line-height:48px;"
    "padding:0 2.2em;cursor:pointer}"
    "nav a:focus,button:focus{outline:3px solid #f5c21f}"
    "@media (max-width:30em){main{padding:.6em .6em .8em}h1{font-size:1.35em}"
    "th,td{padding:.45em .3em}th{font-size:.8em}table{font-size:.92em}"
    // The date gives way on a phone, so that the names keep room.
    "th:nth-child(4),td:nth-child(4){display:none}}";

std::string document(std::string_view title, std::string_view body) {
    const LogoSize logo = logoShownSize();
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
           htmlEscape(title) + "</title><style>" + std::string(kStyle) +
           "</style></head>\n<body>\n<header><a href=\"/\"><img src=\"" + std::string(kLogoPath) +
           "\" alt=\"Gatefold\" width=\"" + std::to_string(logo.width) + "\" height=\"" +
           std::to_string(logo.height) + "\"></a></header>\n<main>\n" + std::string(body) +
           "</main>\n</body></html>\n";
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
                "</td>" +
                (row.verified ? "<td class=\"ok\"><span>&#10003;</span>replayed"
                              : "<td class=\"no\">unchecked") +
                "</td></tr>\n";
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
    return document(title, "<h1>" + htmlEscape(title) + "</h1>\n<p>" + htmlEscape(message) +
                               "</p>\n<nav><a href=\"/\">All games</a></nav>\n");
}

std::string previewPage(const NewScore& score, std::string_view action, std::string_view token) {
    std::string body = "<h1>Publish your score?</h1>\n<table class=\"facts\">\n";
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
    body += "<nav><a href=\"" + tableLink(score.game, 0) + "\">The whole table</a></nav>\n";
    return document(std::string(score.game) + " hall of fame", body);
}

std::string tablePage(std::string_view game, const std::vector<TableRow>& rows, std::int64_t page,
                      std::int64_t total) {
    const std::int64_t pages = (total + kRowsPerPage - 1) / kRowsPerPage;
    std::string body = "<h1>" + htmlEscape(game) + " hall of fame</h1>\n<p>Page " +
                       std::to_string(page + 1) + " of " + std::to_string(pages) + ", " +
                       std::to_string(total) + " scores.</p>\n" + rowsTable(rows, nullptr);
    body += "<nav>";
    if (page > 0) {
        body += "<a href=\"" + tableLink(game, 0) + "\">First</a> ";
        body += "<a href=\"" + tableLink(game, std::min(page, pages) - 1) + "\">Previous</a> ";
    }
    if (page + 1 < pages) {
        body += "<a href=\"" + tableLink(game, page + 1) + "\">Next</a> ";
        body += "<a href=\"" + tableLink(game, pages - 1) + "\">Last</a>";
    }
    body += "<a href=\"/\">All games</a></nav>\n";
    return document(std::string(game) + " hall of fame", body);
}

std::string gamesPage(const std::vector<GameSummary>& games) {
    std::string body = "<h1>Halls of fame</h1>\n";
    if (games.empty()) {
        body += "<p>No scores have been published yet.</p>\n";
    } else {
        body += "<ul class=\"games\">\n";
        for (const GameSummary& game : games)
            body += "<li><a href=\"" + tableLink(game.name, 0) + "\">" + htmlEscape(game.name) +
                    "</a>, " + std::to_string(game.scores) + " scores</li>\n";
        body += "</ul>\n";
    }
    return document("Halls of fame", body);
}

}  // namespace scoreserver
