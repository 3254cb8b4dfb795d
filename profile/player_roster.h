// The eight player profiles and the current player's number, kept in options.ini: section
// "setup" key "playerid", and one section "Player1" ... "Player8" per profile.
#pragma once

#include <cstdint>

#include "profile/player_profile.h"

class PlayerRoster {
public:
    static constexpr int kPlayers = 8;
    // describePlayer writes at most this many bytes, terminator included.
    static constexpr int kDescriptionSize = 194;

    PlayerRoster();

    // Copies the file path (Windows spelling). A null path leaves it unchanged; a path too
    // long for the field empties it, so nothing is read or written rather than a wrong file.
    void setPath(const char* path);
    // Reads "setup"/"playerid"; a number outside 0 ... 7 (or no path) gives player 0.
    int readCurrentId();
    // The writes return false when the file could not be saved (no path, or a failed save,
    // which is reported to the player once a run).
    bool writeCurrentId(int id);
    // Reads profile i (0 ... 7) from its section; missing keys give the defaults.
    void readProfile(int i);
    // Writes the four keys from a 194-byte profile image as the profile's whole section, in
    // one replacement of the file, then reads the profile back.
    bool writeProfile(int i, const char* data);
    // Reads profile i and writes "name:address:email:send" into out (kDescriptionSize bytes).
    void describePlayer(int i, char* out);
    // Resets profile i to its defaults and writes it.
    bool resetProfile(int i);

    std::int32_t currentId;
    PlayerProfile profiles[kPlayers];
    char iniPath[64];

private:
    bool hasPath() const { return iniPath[0] != '\0'; }
    static bool validIndex(int i) { return i >= 0 && i < kPlayers; }
};
