// Player profiles and the current player in options.ini.
#include "profile/player_roster.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/faults.h"
#include "platform/win32/win32.h"
#include "profile/save_report.h"
#include "tests/profile/profile_folder.h"

using profiletest::WorkingFolder;

namespace {

constexpr const char* kOptions = "..\\options.ini";

class Roster : public ::testing::Test {
protected:
    void SetUp() override { roster.setPath(kOptions); }
    void TearDown() override { platform::faultClearAll(); }

    WorkingFolder folder;
    PlayerRoster roster;
};

TEST_F(Roster, AFreshFileGivesPlayerOneWithDefaults) {
    EXPECT_EQ(roster.readCurrentId(), 0);
    roster.readProfile(0);
    EXPECT_STREQ(roster.profiles[0].name, "Player1");
    EXPECT_STREQ(roster.profiles[0].address, "");
    EXPECT_STREQ(roster.profiles[0].email, "");
    EXPECT_STREQ(roster.profiles[0].send, "Y");
    char text[256];
    roster.describePlayer(0, text);
    EXPECT_STREQ(text, "Player1:::Y");
    roster.describePlayer(7, text);
    EXPECT_STREQ(text, "Player8:::Y");
}

TEST_F(Roster, ProfilesAreWrittenAndReadBack) {
    PlayerProfile p{};
    std::strcpy(p.name, "Ada");
    std::strcpy(p.address, "1 Long Road");
    std::strcpy(p.email, "ada@example.org");
    std::strcpy(p.send, "N");
    roster.writeProfile(2, reinterpret_cast<const char*>(&p));
    roster.writeCurrentId(2);
    EXPECT_EQ(roster.currentId, 2);

    PlayerRoster other;
    other.setPath(kOptions);
    EXPECT_EQ(other.readCurrentId(), 2);
    char text[256];
    other.describePlayer(2, text);
    EXPECT_STREQ(text, "Ada:1 Long Road:ada@example.org:N");
    const std::string file = folder.read("options.ini");
    EXPECT_NE(file.find("[Player3]"), std::string::npos);
    EXPECT_NE(file.find("playerid=2"), std::string::npos);

    // Resetting puts the defaults back in the file.
    other.resetProfile(2);
    roster.describePlayer(2, text);
    EXPECT_STREQ(text, "Player3:::Y");
}

TEST_F(Roster, LongTextsAreCutToTheirFields) {
    const std::string seventy(70, 'n');
    folder.write("options.ini", "[Player1]\nname=" + seventy +
                                    "\naddress=" + std::string(100, 'a') +
                                    "\nemail=" + std::string(200, 'e') + "\nsend=Yes\n");
    roster.readProfile(0);
    EXPECT_EQ(std::string(roster.profiles[0].name), seventy.substr(0, 63));
    EXPECT_EQ(std::strlen(roster.profiles[0].address), 63u);
    EXPECT_EQ(std::strlen(roster.profiles[0].email), 63u);
    EXPECT_STREQ(roster.profiles[0].send, "Y");
    char text[256];
    std::memset(text, '#', sizeof(text));
    roster.describePlayer(0, text);
    EXPECT_EQ(std::strlen(text), 63u * 3 + 1 + 3);
    EXPECT_EQ(text[194], '#') << "the description stays within 194 bytes";
}

TEST_F(Roster, AnImageWithoutTerminatorsIsWrittenCut) {
    char image[194];
    std::memset(image, 'x', sizeof(image));
    roster.writeProfile(0, image);
    EXPECT_EQ(std::string(roster.profiles[0].name), std::string(63, 'x'));
    EXPECT_EQ(std::string(roster.profiles[0].address), std::string(63, 'x'));
    EXPECT_STREQ(roster.profiles[0].send, "x");
}

TEST_F(Roster, KeysMatchWithoutRegardToCase) {
    folder.write("options.ini", "[SETUP]\nPlayerID=4\nMusic=0\n[player5]\nNAME=Zed\n");
    EXPECT_EQ(roster.readCurrentId(), 4);
    roster.readProfile(4);
    EXPECT_STREQ(roster.profiles[4].name, "Zed");
    char music[8];
    GetPrivateProfileStringA("setup", "music", "1", music, sizeof(music), kOptions);
    EXPECT_STREQ(music, "0");

    // The menu writes the switch as "Music"; the game reads "music" and sees the new value.
    ASSERT_TRUE(WritePrivateProfileStringA("setup", "Music", "1", kOptions));
    GetPrivateProfileStringA("setup", "music", "", music, sizeof(music), kOptions);
    EXPECT_STREQ(music, "1");
    EXPECT_EQ(roster.readCurrentId(), 4) << "the rest of the section is kept";
}

TEST_F(Roster, CurrentIdsOutsideTheEightPlayersMeanPlayerOne) {
    for (const char* value : {"8", "-1", "99999", "abc"}) {
        folder.write("options.ini", std::string("[setup]\nplayerid=") + value + "\n");
        EXPECT_EQ(roster.readCurrentId(), 0) << value;
        EXPECT_EQ(roster.currentId, 0) << value;
    }
    folder.write("options.ini", "[setup]\nplayerid=7\n");
    EXPECT_EQ(roster.readCurrentId(), 7);
}

TEST_F(Roster, WithoutAPathNothingIsReadOrWritten) {
    folder.write("options.ini", "[setup]\nplayerid=3\n[Player1]\nname=Kim\n");
    PlayerRoster none;
    none.setPath(nullptr);
    EXPECT_EQ(none.readCurrentId(), 0);
    none.readProfile(0);
    EXPECT_STREQ(none.profiles[0].name, "Player1");
    none.writeCurrentId(5);
    none.resetProfile(0);
    EXPECT_EQ(folder.read("options.ini"), "[setup]\nplayerid=3\n[Player1]\nname=Kim\n");

    // A path too long for the field reads and writes nothing rather than a cut path.
    PlayerRoster tooLong;
    tooLong.setPath(("..\\" + std::string(80, 'o') + ".ini").c_str());
    EXPECT_EQ(tooLong.readCurrentId(), 0);
    tooLong.writeCurrentId(1);
    EXPECT_FALSE(std::filesystem::exists(folder.path(std::string(80, 'o') + ".ini")));
}

// Whoever reads options.ini while a profile is saved (another copy, or the file a kill
// leaves) sees the four keys all from one save, never a new name with an old address; the
// other players and the set-up stay as they were.
TEST_F(Roster, AProfileIsSavedWholeInOneReplacement) {
    folder.write("options.ini", "[setup]\nplayerid=3\n[Player2]\nname=Bea\n");
    auto profileOf = [](int k) {
        PlayerProfile p{};
        std::snprintf(p.name, sizeof p.name, "N%d", k);
        std::snprintf(p.address, sizeof p.address, "A%d", k);
        std::snprintf(p.email, sizeof p.email, "E%d", k);
        std::strcpy(p.send, k % 2 ? "N" : "Y");
        return p;
    };
    PlayerProfile first = profileOf(0);
    ASSERT_TRUE(roster.writeProfile(0, reinterpret_cast<const char*>(&first)));

    // The four values of [Player1] in one reading of the file, "" for a missing one.
    auto keysIn = [](const std::string& text) {
        std::vector<std::string> values(4);
        const char* keys[] = {"name=", "address=", "email=", "send="};
        const size_t start = text.find("[Player1]");
        const size_t end = start == std::string::npos ? start : text.find('[', start + 1);
        std::istringstream lines(text.substr(start == std::string::npos ? text.size() : start,
                                             end == std::string::npos ? end : end - start));
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            for (int i = 0; i < 4; ++i)
                if (line.rfind(keys[i], 0) == 0) values[i] = line.substr(std::strlen(keys[i]));
        }
        return values;
    };
    std::atomic<bool> writing{true};
    std::atomic<int> mixed{0}, reads{0};
    std::string example;
    std::thread reader([&] {
        while (writing.load()) {
            const auto v = keysIn(folder.read("options.ini"));
            ++reads;
            if (v[0].size() < 2) continue;  // between no two saves: the file is always whole
            const std::string k = v[0].substr(1);
            if (v[1] != "A" + k || v[2] != "E" + k || v[3] != (std::stoi(k) % 2 ? "N" : "Y")) {
                if (mixed++ == 0) example = v[0] + " " + v[1] + " " + v[2] + " " + v[3];
            }
        }
    });
    bool allSaved = true;
    for (int k = 1; k <= 40; ++k) {
        const PlayerProfile p = profileOf(k);
        allSaved = roster.writeProfile(0, reinterpret_cast<const char*>(&p)) && allSaved;
    }
    writing = false;
    reader.join();
    EXPECT_TRUE(allSaved);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(mixed.load(), 0) << "read a half-saved profile: " << example;
    EXPECT_EQ(keysIn(folder.read("options.ini")),
              (std::vector<std::string>{"N40", "A40", "E40", "Y"}));
    PlayerRoster other;
    other.setPath(kOptions);
    EXPECT_EQ(other.readCurrentId(), 3);
    other.readProfile(1);
    EXPECT_STREQ(other.profiles[1].name, "Bea");
}

TEST_F(Roster, AFailedWriteLeavesTheFileWhole) {
    roster.writeCurrentId(3);
    const std::string before = folder.read("options.ini");
    resetFailedSaveReport();
    platform::faultSet("file-write", true);
    PlayerProfile p{};
    std::strcpy(p.name, "Lost");
    EXPECT_FALSE(roster.writeProfile(0, reinterpret_cast<const char*>(&p)));
    EXPECT_TRUE(failedSaveReported()) << "the player is told";
    EXPECT_FALSE(roster.writeCurrentId(6));
    platform::faultSet("file-write", false);
    EXPECT_EQ(folder.read("options.ini"), before);
    PlayerRoster other;
    other.setPath(kOptions);
    EXPECT_EQ(other.readCurrentId(), 3);
}

}  // namespace
