// The state every game program keeps: its state number, score, the current player and five
// integer settings, with virtual hooks the game overrides.
#pragma once

#include <cstdint>

class GameRecord {
public:
    static constexpr int kBestSlots = 10;
    // Where loadBests and saveBests keep the per-player bests: a file of their own, so that
    // they can never overwrite the high-score table.
    static constexpr const char* kBestsFile = "bests.dat";

    GameRecord();
    virtual ~GameRecord() = default;

    virtual void newGame() {}
    virtual void release() {}
    virtual void hookA() {}
    virtual void hookB() {}
    // Reads the 40-byte block of per-player bests; bestScore becomes the current player's.
    // Returns it, or 0 (bestScore 0) when the file is missing or short.
    virtual int loadBests();
    // Stores bestScore as the current player's best and writes the block.
    virtual void saveBests();
    // The game's per-frame step; the base has none.
    virtual int step() { return -1; }
    virtual int getState() { return state; }
    virtual void setState(int s) { state = s; }
    virtual void setScore(int s) { score = s; }
    virtual int getScore() { return score; }
    virtual void setBestScore(int s) { bestScore = s; }
    virtual void setSettingA(int v) { settingA = v; }
    virtual int getSettingA() { return settingA; }
    virtual void setSettingB(int v) { settingB = v; }
    virtual int getSettingB() { return settingB; }
    virtual void setSettingC(int v) { settingC = v; }
    virtual int getSettingC() { return settingC; }
    virtual void setSettingD(int v) { settingD = v; }
    virtual int getSettingD() { return settingD; }
    virtual void setSettingE(int v) { settingE = v; }
    virtual int getSettingE() { return settingE; }
    virtual void setPlayerId(int id) { playerId = id; }
    virtual int getPlayerId() { return playerId; }

    std::int32_t state;
    std::int32_t score;
    std::int32_t bestScore;
    std::int32_t playerId;
    std::int32_t playerBests[kBestSlots];
    std::int32_t settingE;
    std::int32_t settingA;
    std::int32_t settingB;
    std::int32_t settingD;
    std::int32_t settingC;

private:
    // The bests slot of the current player; an id outside the block uses slot 0.
    int bestSlot() const { return playerId >= 0 && playerId < kBestSlots ? playerId : 0; }
};
