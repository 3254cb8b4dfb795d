#include "scoreserver/score_verifier.h"

#include "games/tintaro/move_score.h"

scoreserver::Verification scoreserver::verifyUpload(const Upload& upload) {
    if (upload.game != "Tintaro")
        return {Verdict::Refused, "The server keeps no table for this game."};
    if (upload.moves.empty()) return {Verdict::Unverified, {}};
    const tintaro::ReplayedScore replayed =
        tintaro::scoreOfMoves(upload.moves.data(), upload.moves.size());
    if (replayed.solvedAfter != 0 && replayed.solvedAfter != upload.moves.size())
        return {Verdict::Refused, "The moves go on after the puzzle was solved."};
    if (replayed.score != upload.score)
        return {Verdict::Refused, "The score is not what its moves earn."};
    return {Verdict::Verified, {}};
}
