#include "profile/player_roster.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "platform/win32/win32.h"
#include "profile/save_report.h"

namespace {

void sectionName(int i, char (&out)[24]) {
    std::snprintf(out, sizeof(out), "Player%d", i + 1);
}

// A field of a profile image as a terminated text, whatever the image holds.
void copyField(char* out, int outSize, const char* field, int fieldSize) {
    const int n = static_cast<int>(strnlen(field, static_cast<size_t>(fieldSize)));
    const int kept = n < outSize - 1 ? n : outSize - 1;
    std::memcpy(out, field, static_cast<size_t>(kept));
    out[kept] = '\0';
}

}  // namespace

PlayerRoster::PlayerRoster() : currentId(0), profiles{}, iniPath{} {
    for (int i = 0; i < kPlayers; ++i) profiles[i].reset(i);
}

void PlayerRoster::setPath(const char* path) {
    if (path == nullptr) return;
    if (std::strlen(path) >= sizeof(iniPath)) {
        iniPath[0] = '\0';
        return;
    }
    std::strcpy(iniPath, path);
}

int PlayerRoster::readCurrentId() {
    if (!hasPath()) {
        currentId = 0;
        return currentId;
    }
    char buffer[32];
    GetPrivateProfileStringA("setup", "playerid", "0", buffer, sizeof(buffer), iniPath);
    const int id = std::atoi(buffer);
    currentId = validIndex(id) ? id : 0;
    return currentId;
}

bool PlayerRoster::writeCurrentId(int id) {
    if (!hasPath()) return false;
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%d", id);
    currentId = id;
    if (WritePrivateProfileStringA("setup", "playerid", buffer, iniPath)) return true;
    reportFailedSave("Your settings", iniPath);
    return false;
}

void PlayerRoster::readProfile(int i) {
    if (!hasPath() || !validIndex(i)) return;
    char section[24];
    sectionName(i, section);
    PlayerProfile& p = profiles[i];
    GetPrivateProfileStringA(section, "name", section, p.name, sizeof(p.name), iniPath);
    GetPrivateProfileStringA(section, "address", "", p.address, sizeof(p.address), iniPath);
    GetPrivateProfileStringA(section, "email", "", p.email, sizeof(p.email), iniPath);
    GetPrivateProfileStringA(section, "send", "Y", p.send, sizeof(p.send), iniPath);
}

bool PlayerRoster::writeProfile(int i, const char* data) {
    if (!hasPath() || !validIndex(i) || data == nullptr) return false;
    // Copied first: data may be this roster's own profile, which the read-back rewrites.
    PlayerProfile image;
    copyField(image.name, sizeof(image.name), data, 64);
    copyField(image.address, sizeof(image.address), data + 64, 64);
    copyField(image.email, sizeof(image.email), data + 128, 64);
    copyField(image.send, sizeof(image.send), data + 192, 2);
    char section[24];
    sectionName(i, section);
    // The four keys in one replacement of the file: never a name without its address.
    std::string keys;
    const std::pair<const char*, const char*> fields[] = {{"name", image.name},
                                                          {"address", image.address},
                                                          {"email", image.email},
                                                          {"send", image.send}};
    for (const auto& [key, value] : fields) {
        keys += key;
        keys += '=';
        keys += value;
        keys += '\0';
    }
    const bool saved = WritePrivateProfileSectionA(section, keys.c_str(), iniPath) != FALSE;
    if (!saved) reportFailedSave("Your settings", iniPath);
    readProfile(i);
    return saved;
}

void PlayerRoster::describePlayer(int i, char* out) {
    if (out == nullptr) return;
    if (!validIndex(i)) i = 0;
    readProfile(i);
    const PlayerProfile& p = profiles[i];
    // Precisions bound each field, so an unterminated field in memory cannot run over.
    std::snprintf(out, kDescriptionSize, "%.63s:%.63s:%.63s:%.1s", p.name, p.address, p.email,
                  p.send);
}

bool PlayerRoster::resetProfile(int i) {
    if (!validIndex(i)) return false;
    profiles[i].reset(i);
    const PlayerProfile copy = profiles[i];
    return writeProfile(i, reinterpret_cast<const char*>(&copy));
}
