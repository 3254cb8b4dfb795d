// One player's profile as the programs keep it in memory and in options.ini: three texts
// of up to 63 characters and the yes/no flag for sending scores.
#pragma once

struct PlayerProfile {
    char name[64];
    char address[64];
    char email[64];
    char send[2];

    // Zero-fills the profile, then names it "Player<index + 1>" with send "Y".
    void reset(int index);
};

static_assert(sizeof(PlayerProfile) == 194, "the profile image is 194 bytes");
