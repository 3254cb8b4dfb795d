// What the upload address does with a query: parse it, verify the score, keep it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scoreserver/score_store.h"

namespace scoreserver {

// An upload parsed and verified, not stored.
struct CheckedUpload {
    bool accepted = false;
    std::string message;  // why, when refused
    NewScore score;       // what would be stored, when accepted
};

// Parses and verifies the upload; an accepted one comes back as the row it would make,
// stamped `now` (seconds since 1970).
CheckedUpload checkUpload(std::string_view query, std::int64_t now);

struct IntakeResult {
    enum class Status { Stored, Duplicate, Refused } status = Status::Refused;
    bool verified = false;
    std::string game;     // the table the score went to, when not refused
    std::string message;  // for the player
};

// checkUpload, then only an accepted score reaches the store. Store failures are passed on
// as StoreError.
IntakeResult takeUpload(std::string_view query, ScoreStore& store, std::int64_t now);

}  // namespace scoreserver
