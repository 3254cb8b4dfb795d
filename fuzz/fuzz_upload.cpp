// libFuzzer target for the score server's upload query and moves: each input is parsed as a
// query and, on its own, as a move list. An accepted query holds a non-empty UTF-8 name
// without control characters within its caps, a score above zero and moves of rings 0 ... 2
// no more than the cap; moves that parse are replayed by the verifier.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scoreserver/move_text.h"
#include "scoreserver/score_verifier.h"
#include "scoreserver/upload_query.h"

namespace {

// Well-formed UTF-8 with no C0 or C1 control character and no DEL.
bool cleanUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x20 || b == 0x7F) return false;
        if (b < 0x80) continue;
        if ((b != 0xC2 && b != 0xC3) || i + 1 >= text.size()) return false;
        const auto next = static_cast<unsigned char>(text[++i]);
        if ((next & 0xC0) != 0x80 || (b == 0xC2 && next < 0xA0)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const auto moves = scoreserver::parseMoves(input);
    if (moves && (moves->size() != size || size > scoreserver::kMaxMoves)) std::abort();

    const scoreserver::ParsedQuery parsed = scoreserver::parseUploadQuery(input);
    if (parsed.error != scoreserver::QueryError::None) return 0;
    const scoreserver::Upload& upload = parsed.upload;
    if (upload.name.empty() || upload.name.size() > 2 * scoreserver::kMaxNameBytes) std::abort();
    if (!cleanUtf8(upload.name) || !cleanUtf8(upload.address) || !cleanUtf8(upload.email))
        std::abort();
    if (upload.game.empty() || upload.game.size() > scoreserver::kMaxGameBytes) std::abort();
    if (upload.score <= 0) std::abort();
    if (upload.moves.size() != upload.moveText.size() ||
        upload.moves.size() > scoreserver::kMaxMoves)
        std::abort();
    for (const MoveRecord& m : upload.moves)
        if (m.ring < 0 || m.ring > 2 || (m.direction != 0 && m.direction != 1)) std::abort();
    const scoreserver::Verification verdict = scoreserver::verifyUpload(upload);
    if (verdict.verdict == scoreserver::Verdict::Verified && upload.moves.empty()) std::abort();
    if (verdict.verdict == scoreserver::Verdict::Unverified && !upload.moves.empty()) std::abort();
    return 0;
}
