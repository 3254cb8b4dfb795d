#include "scoreserver/score_intake.h"

#include "scoreserver/score_verifier.h"
#include "scoreserver/upload_query.h"

scoreserver::CheckedUpload scoreserver::checkUpload(std::string_view query, std::int64_t now) {
    CheckedUpload result;
    const ParsedQuery parsed = parseUploadQuery(query);
    if (parsed.error != QueryError::None) {
        result.message = describe(parsed.error);
        return result;
    }
    const Upload& upload = parsed.upload;
    const Verification verification = verifyUpload(upload);
    if (verification.verdict == Verdict::Refused) {
        result.message = verification.reason;
        return result;
    }
    result.accepted = true;
    NewScore& score = result.score;
    score.game = upload.game;
    score.name = upload.name;
    score.score = upload.score;
    score.verified = verification.verdict == Verdict::Verified;
    if (score.verified) score.moves = upload.moveText;
    score.address = upload.address;
    score.email = upload.email;
    score.submittedAt = now;
    return result;
}

scoreserver::IntakeResult scoreserver::takeUpload(std::string_view query, ScoreStore& store,
                                                  std::int64_t now) {
    IntakeResult result;
    const CheckedUpload checked = checkUpload(query, now);
    if (!checked.accepted) {
        result.message = checked.message;
        return result;
    }
    const NewScore& score = checked.score;
    result.verified = score.verified;
    result.game = score.game;
    if (store.add(score) == AddOutcome::Duplicate) {
        result.status = IntakeResult::Status::Duplicate;
        result.message = "This score is in the hall of fame already.";
    } else {
        result.status = IntakeResult::Status::Stored;
        result.message = score.verified ? "Your score was checked and entered."
                                        : "Your score was entered, unchecked.";
    }
    return result;
}
