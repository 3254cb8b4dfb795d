// libFuzzer target for the INI profile reader and the player roster built on it: each input
// is a profile file. Every returned text must be terminated inside its buffer and no longer
// than the reader says; the roster must keep its player number in range and its
// description within its buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "profile/player_roster.h"

namespace {

// Reads section/key into a small and a large buffer and checks the results agree.
void readKey(const char* section, const char* key, const std::string& path) {
    char small[8];
    std::memset(small, 'x', sizeof small);
    const DWORD n =
        GetPrivateProfileStringA(section, key, "dflt", small, sizeof small, path.c_str());
    if (n >= sizeof small || std::strlen(small) > n) std::abort();
    char large[512];
    const DWORD m = GetPrivateProfileStringA(section, key, "", large, sizeof large, path.c_str());
    // A value holding a NUL byte reports its full length; the text ends at the NUL.
    if (m >= sizeof large || std::strlen(large) > m) std::abort();
    GetPrivateProfileIntA(section, key, -3, path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzing::inputPath("fuzz_profile", ".ini");
    if (!fuzzing::writeInput(path, data, size)) return 0;

    static const char* const sections[] = {"setup", "Player1", "Player3", "Player8", "", "images"};
    static const char* const keys[] = {"playerid", "name", "address", "email", "send", ""};
    for (const char* section : sections)
        for (const char* key : keys) readKey(section, key, path);

    // Sections and keys named by the input itself: the first line's text after '['.
    std::string first(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 64));
    first = first.substr(0, first.find_first_of("\r\n]="));
    if (first.find('\0') == std::string::npos) {
        const std::string name = first.empty() || first[0] != '[' ? first : first.substr(1);
        readKey(name.c_str(), name.c_str(), path);
    }

    PlayerRoster roster;
    roster.setPath(path.c_str());
    const int id = roster.readCurrentId();
    if (id < 0 || id >= PlayerRoster::kPlayers) std::abort();
    for (int i = 0; i < PlayerRoster::kPlayers; ++i) {
        roster.readProfile(i);
        char out[PlayerRoster::kDescriptionSize + 16];
        std::memset(out, 'y', sizeof out);
        roster.describePlayer(i, out);
        // Terminated inside the documented size; the guard bytes after it untouched.
        if (std::memchr(out, '\0', PlayerRoster::kDescriptionSize) == nullptr) std::abort();
        for (std::size_t k = PlayerRoster::kDescriptionSize; k < sizeof out; ++k)
            if (out[k] != 'y') std::abort();
    }
    return 0;
}
