// Decides whether an uploaded score is what its moves earn, by replaying them with the
// game's own rules.
#pragma once

#include <string>

#include "scoreserver/upload_query.h"

namespace scoreserver {

enum class Verdict {
    Verified,    // the moves replay to exactly the score
    Unverified,  // no moves came with the score: kept, and shown as unchecked
    Refused,
};

struct Verification {
    Verdict verdict = Verdict::Refused;
    std::string reason;  // why, when refused
};

// Tintaro is the only game whose tables the server keeps: it always starts from the same
// layout, so a score is checked by replaying its moves from there. A score is refused for
// another game, when a move follows the one that solved the puzzle (the game takes none
// then), or when the replay gives another score.
Verification verifyUpload(const Upload& upload);

}  // namespace scoreserver
