#include "profile/game_record.h"

#include <cstdio>

#include "platform/storage/atomic_file.h"
#include "platform/storage/path.h"
#include "platform/storage/regular_file.h"

GameRecord::GameRecord()
    : state(0),
      score(0),
      bestScore(0),
      playerId(0),
      playerBests{},
      settingE(0),
      settingA(0),
      settingB(0),
      settingD(0),
      settingC(0) {}

int GameRecord::loadBests() {
    bestScore = 0;
    std::FILE* f = platform::openRegularFileStream(platform::resolvePath(kBestsFile));
    if (f == nullptr) return 0;
    std::int32_t block[kBestSlots];
    const bool whole = std::fread(block, sizeof(block), 1, f) == 1;
    std::fclose(f);
    if (!whole) return 0;
    for (int i = 0; i < kBestSlots; ++i) playerBests[i] = block[i];
    bestScore = playerBests[bestSlot()];
    return bestScore;
}

void GameRecord::saveBests() {
    playerBests[bestSlot()] = bestScore;
    platform::writeFileAtomically(platform::resolvePath(kBestsFile), playerBests,
                                  sizeof(playerBests));
}
