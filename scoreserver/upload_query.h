// The query of a score upload, GET /cgi-bin/hiscore.cgi?game=..&name=..&score=..[&moves=..]:
// split, percent-decoded and checked field by field. Names arrive in the game's Latin-1 and
// leave as UTF-8 without control characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "games/tintaro/move_log.h"

namespace scoreserver {

// What the menu XORs the score with before sending it.
constexpr std::int32_t kScoreMask = 0x3C3C3C3;
// Caps, in bytes of the decoded Latin-1 text: the game's folder name (the menu's game entry
// holds 64 bytes), the public name (the hall of fame shows 63) and the whole entry text
// (a table entry is 256 bytes with its terminator).
constexpr std::size_t kMaxGameBytes = 63;
constexpr std::size_t kMaxNameBytes = 63;
constexpr std::size_t kMaxEntryBytes = 255;
// The longest raw query: every field at its cap, fully percent-encoded, with room to spare.
constexpr std::size_t kMaxQueryBytes = 20480;

enum class QueryError {
    None,
    TooLong,
    Malformed,
    BadEscape,
    UnknownParameter,
    DuplicateParameter,
    MissingGame,
    MissingName,
    MissingScore,
    BadGame,
    EntryTooLong,
    NameTooLong,
    EmptyName,
    BadScore,
    ScoreNotPositive,
    BadMoves,
};

// A sentence for the player saying why an upload was refused.
const char* describe(QueryError error);

struct Upload {
    std::string game;     // ASCII
    std::string name;     // UTF-8, the entry text before its first ':'
    std::string address;  // UTF-8, empty when not sent
    std::string email;    // UTF-8, empty when not sent
    std::int32_t score = 0;
    std::string moveText;  // the digits as sent, empty when the upload has no moves
    std::vector<MoveRecord> moves;
};

struct ParsedQuery {
    QueryError error = QueryError::None;
    Upload upload;  // valid only without an error
};

// Splits the query (the part after '?') and checks it. Refused: a query over kMaxQueryBytes;
// an empty pair or one without '='; '%' not followed by two hex digits; a parameter other
// than game, name, score and moves, or one given twice; a missing game, name or score; a game
// name that is empty, over its cap or not of letters, digits, ' ', '-', '_'; an entry text or
// name part over its cap, or a name empty once control characters are gone; a score that is
// not a plain decimal int32 (no sign but '-', no leading zeros) or unmasks to 0 or less (the
// hall of fame never holds such a score); moves that parseMoves refuses. '+' is a plus sign.
ParsedQuery parseUploadQuery(std::string_view query);

// One '&'-separated pair of a query, split at its first '=', still percent-encoded.
struct QueryPair {
    std::string_view key;
    std::string_view value;
    bool hasEquals = false;
};
// The query's pairs in order; an empty query is one empty pair, "a&&b" holds an empty one.
std::vector<QueryPair> splitQuery(std::string_view query);

// The bytes the text stands for, or false on a '%' without two hex digits after it.
bool percentDecode(std::string_view text, std::string& out);
// The text with every byte outside A-Z a-z 0-9 - . _ ~ and `keep` as %XX.
std::string percentEncode(std::string_view text, std::string_view keep = {});
// Latin-1 text as UTF-8, without C0 and C1 control characters and DEL.
std::string latin1ToUtf8(std::string_view text);

}  // namespace scoreserver
