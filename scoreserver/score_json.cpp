#include "scoreserver/score_json.h"

#include "scoreserver/score_pages.h"

namespace scoreserver {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0: no overlong
// forms, no surrogates, nothing above U+10FFFF.
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

std::string gameUrl(std::string_view game) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "/api/games/";
    for (const char c : game) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
            url += c;
        } else {
            url += '%';
            url += hex[b >> 4];
            url += hex[b & 15];
        }
    }
    return url + "/scores";
}

}  // namespace

std::string jsonString(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80) {
            const std::size_t length = utf8Length(text.substr(i));
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b < 0x20 || b == 0x7F || b == '<' || b == '>' || b == '&') {
            out += "\\u00";
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += static_cast<char>(b);
        }
        ++i;
    }
    return out + "\"";
}

std::string gamesJson(const std::vector<GameSummary>& games) {
    std::string out = "{\"games\":[";
    for (std::size_t i = 0; i < games.size(); ++i) {
        if (i != 0) out += ',';
        out += "{\"name\":" + jsonString(games[i].name) +
               ",\"scores\":" + std::to_string(games[i].scores) +
               ",\"url\":" + jsonString(gameUrl(games[i].name)) + "}";
    }
    return out + "]}\n";
}

std::string scoresJson(std::string_view game, std::int64_t total, std::int64_t offset, int limit,
                       const std::vector<TableRow>& rows) {
    std::string out = "{\"game\":" + jsonString(game) + ",\"total\":" + std::to_string(total) +
                      ",\"offset\":" + std::to_string(offset) +
                      ",\"limit\":" + std::to_string(limit) + ",\"scores\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TableRow& row = rows[i];
        if (i != 0) out += ',';
        out += "{\"rank\":" + std::to_string(row.rank) + ",\"name\":" + jsonString(row.name) +
               ",\"score\":" + std::to_string(row.score) +
               ",\"submitted\":" + std::to_string(row.submittedAt) +
               ",\"date\":" + jsonString(utcDate(row.submittedAt)) +
               ",\"verified\":" + (row.verified ? "true" : "false") + "}";
    }
    return out + "]}\n";
}

std::string errorJson(std::string_view message) {
    return "{\"error\":" + jsonString(message) + "}\n";
}

}  // namespace scoreserver
