#include "scoreserver/upload_query.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

#include "scoreserver/move_text.h"

namespace scoreserver {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool validGameName(std::string_view game) {
    if (game.empty() || game.size() > kMaxGameBytes) return false;
    for (const char c : game) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

// A plain decimal int32 as printf's %d writes it: digits with an optional leading '-', no
// leading zeros, no "-0".
std::optional<std::int32_t> parseDecimal(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    if (digits.front() == '0' && (digits.size() > 1 || negative)) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

struct Field {
    std::string_view key;
    bool seen = false;
    std::string value;
};

}  // namespace

const char* describe(QueryError error) {
    switch (error) {
        case QueryError::None:
            return "The score was accepted.";
        case QueryError::TooLong:
            return "The upload is too long.";
        case QueryError::Malformed:
            return "The upload's address is malformed.";
        case QueryError::BadEscape:
            return "The upload holds a broken %-escape.";
        case QueryError::UnknownParameter:
            return "The upload holds an unknown field.";
        case QueryError::DuplicateParameter:
            return "The upload holds a field twice.";
        case QueryError::MissingGame:
            return "The upload names no game.";
        case QueryError::MissingName:
            return "The upload names no player.";
        case QueryError::MissingScore:
            return "The upload holds no score.";
        case QueryError::BadGame:
            return "The game's name is not valid.";
        case QueryError::EntryTooLong:
            return "The player's entry is longer than 255 bytes.";
        case QueryError::NameTooLong:
            return "The player's name is longer than 63 bytes.";
        case QueryError::EmptyName:
            return "The player's name is empty.";
        case QueryError::BadScore:
            return "The score is not a valid number.";
        case QueryError::ScoreNotPositive:
            return "Only scores above zero enter the hall of fame.";
        case QueryError::BadMoves:
            return "The moves are not valid.";
    }
    return "The upload was refused.";
}

std::vector<QueryPair> splitQuery(std::string_view query) {
    std::vector<QueryPair> pairs;
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos)
            pairs.push_back({pair, {}, false});
        else
            pairs.push_back({pair.substr(0, equals), pair.substr(equals + 1), true});
    }
    return pairs;
}

std::string percentEncode(std::string_view text, std::string_view keep) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
            b == '-' || b == '.' || b == '_' || b == '~' ||
            keep.find(c) != std::string_view::npos) {
            out.push_back(c);
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

bool percentDecode(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (text.size() - i < 3) return false;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return false;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

std::string latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) continue;
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

ParsedQuery parseUploadQuery(std::string_view query) {
    ParsedQuery result;
    auto refuse = [&result](QueryError error) {
        result.error = error;
        result.upload = Upload{};
        return result;
    };
    if (query.size() > kMaxQueryBytes) return refuse(QueryError::TooLong);
    Field fields[] = {{"game"}, {"name"}, {"score"}, {"moves"}};
    Field& game = fields[0];
    Field& name = fields[1];
    Field& score = fields[2];
    Field& moves = fields[3];

    for (const QueryPair& pair : splitQuery(query)) {
        if (!pair.hasEquals) return refuse(QueryError::Malformed);
        std::string key;
        if (!percentDecode(pair.key, key)) return refuse(QueryError::BadEscape);
        Field* field = nullptr;
        for (Field& f : fields)
            if (f.key == key) field = &f;
        if (field == nullptr) return refuse(QueryError::UnknownParameter);
        if (field->seen) return refuse(QueryError::DuplicateParameter);
        field->seen = true;
        if (!percentDecode(pair.value, field->value)) return refuse(QueryError::BadEscape);
    }
    if (!game.seen) return refuse(QueryError::MissingGame);
    if (!name.seen) return refuse(QueryError::MissingName);
    if (!score.seen) return refuse(QueryError::MissingScore);

    if (!validGameName(game.value)) return refuse(QueryError::BadGame);
    result.upload.game = game.value;

    // The entry text is "name:address:email:send"; an address may hold ':' of its own, so the
    // e-mail and the send flag are taken from the end.
    const std::string_view entry = name.value;
    if (entry.size() > kMaxEntryBytes) return refuse(QueryError::EntryTooLong);
    const std::size_t colon = entry.find(':');
    const std::string_view publicName = entry.substr(0, colon);
    if (publicName.size() > kMaxNameBytes) return refuse(QueryError::NameTooLong);
    result.upload.name = latin1ToUtf8(publicName);
    if (result.upload.name.empty()) return refuse(QueryError::EmptyName);
    if (colon != std::string_view::npos) {
        std::string_view rest = entry.substr(colon + 1);
        std::vector<std::string_view> parts;
        for (std::size_t at = 0;;) {
            const std::size_t next = rest.find(':', at);
            if (next == std::string_view::npos) {
                parts.push_back(rest.substr(at));
                break;
            }
            parts.push_back(rest.substr(at, next - at));
            at = next + 1;
        }
        if (parts.size() >= 3) {
            result.upload.email = latin1ToUtf8(parts[parts.size() - 2]);
            const std::size_t addressEnd =
                rest.size() - parts.back().size() - parts[parts.size() - 2].size() - 2;
            result.upload.address = latin1ToUtf8(rest.substr(0, addressEnd));
        } else {
            result.upload.address = latin1ToUtf8(parts[0]);
            if (parts.size() == 2) result.upload.email = latin1ToUtf8(parts[1]);
        }
    }

    const std::optional<std::int32_t> masked = parseDecimal(score.value);
    if (!masked) return refuse(QueryError::BadScore);
    result.upload.score = *masked ^ kScoreMask;
    if (result.upload.score <= 0) return refuse(QueryError::ScoreNotPositive);

    if (moves.seen) {
        std::optional<std::vector<MoveRecord>> parsed = parseMoves(moves.value);
        if (!parsed) return refuse(QueryError::BadMoves);
        result.upload.moveText = moves.value;
        result.upload.moves = std::move(*parsed);
    }
    return result;
}

}  // namespace scoreserver
