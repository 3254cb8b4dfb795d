// What the upload address does with a query: parse it, verify the score, keep it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scoreserver/score_store.h"

namespace scoreserver {

struct IntakeResult {
    enum class Status { Stored, Duplicate, Refused } status = Status::Refused;
    bool verified = false;
    std::string game;     // the table the score went to, when not refused
    std::string message;  // for the player
};

// Parses and verifies the upload; only an accepted score reaches the store, stamped `now`
// (seconds since 1970). Store failures are passed on as StoreError.
IntakeResult takeUpload(std::string_view query, ScoreStore& store, std::int64_t now);

}  // namespace scoreserver
