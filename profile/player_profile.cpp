#include "profile/player_profile.h"

#include <cstdio>
#include <cstring>

void PlayerProfile::reset(int index) {
    std::memset(this, 0, sizeof(*this));
    std::snprintf(name, sizeof(name), "Player%d", index + 1);
    send[0] = 'Y';
}
