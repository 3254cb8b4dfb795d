// The high-score table and its file hiscore.dat.
#include "profile/score_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/faults.h"
#include "tests/profile/profile_folder.h"

using profiletest::WorkingFolder;

namespace {

std::int32_t int32At(const std::string& bytes, size_t offset) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return static_cast<std::int32_t>(u);
}

std::string int32Bytes(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i));
    return s;
}

class Scores : public ::testing::Test {
protected:
    void SetUp() override { table.resize(20); }
    void TearDown() override { platform::faultClearAll(); }

    WorkingFolder folder;
    ScoreTable table;
};

TEST_F(Scores, InsertPlacesTiesAfterAndDropsTheLastRow) {
    ASSERT_EQ(table.insert("a", 900), 1);
    ASSERT_EQ(table.insert("b", 500), 1);
    ASSERT_EQ(table.insert("c", 300), 1);
    EXPECT_EQ(table.insert("d", 500), 1);
    EXPECT_STREQ(table.entries[0].name, "a");
    EXPECT_STREQ(table.entries[1].name, "b");
    EXPECT_STREQ(table.entries[2].name, "d");
    EXPECT_EQ(table.entries[2].score, 500);
    EXPECT_STREQ(table.entries[3].name, "c");
    EXPECT_EQ(table.entries[4].score, 0);
    EXPECT_EQ(table.topScore(), 900);

    // Fill the table, then a better score pushes row 19 off the end.
    for (int i = 0; i < 16; ++i) ASSERT_EQ(table.insert("filler", 100), 1);
    EXPECT_EQ(table.entries[19].score, 100);
    EXPECT_EQ(table.insert("low", 100), 0) << "equal to the last row does not enter";
    EXPECT_EQ(table.insert("lower", 50), 0);
    EXPECT_EQ(table.insert("top", 1000), 1);
    EXPECT_STREQ(table.entries[0].name, "top");
    EXPECT_STREQ(table.entries[4].name, "c");
    int fillers = 0;
    for (int i = 0; i < 20; ++i) fillers += std::strcmp(table.entries[i].name, "filler") == 0;
    EXPECT_EQ(fillers, 15);
}

TEST_F(Scores, ZeroAndNegativeScoresNeverEnterAFreshTable) {
    EXPECT_EQ(table.insert("zero", 0), 0);
    EXPECT_EQ(table.insert("minus", -5), 0);
    EXPECT_EQ(table.topScore(), 0);
    EXPECT_STREQ(table.entries[0].name, "");
    ScoreTable unallocated;
    EXPECT_EQ(unallocated.insert("x", 10), 0);
    EXPECT_EQ(unallocated.topScore(), 0);
}

TEST_F(Scores, LongNamesAreCutTo255Characters) {
    const std::string longName(400, 'q');
    ASSERT_EQ(table.insert(longName.c_str(), 10), 1);
    EXPECT_EQ(std::string(table.entries[0].name), longName.substr(0, 255));
    ASSERT_EQ(table.insert("short", 20), 1);
    EXPECT_EQ(std::string(table.entries[1].name), longName.substr(0, 255));
}

TEST_F(Scores, AClearedTableWrites5204BytesOfZerosButTheCount) {
    ASSERT_EQ(table.writeFile("hiscore.dat"), 1);
    const std::string bytes = folder.read("Game/hiscore.dat");
    ASSERT_EQ(bytes.size(), 5204u);
    EXPECT_EQ(int32At(bytes, 0), 20);
    EXPECT_EQ(bytes.find_first_not_of('\0', 4), std::string::npos);
}

TEST_F(Scores, TheFileRoundTripsRowsInPlace) {
    table.insert("Ada:1 Road:ada@x:Y", 4200);
    table.insert("Bo:::N", 77);
    ASSERT_EQ(table.writeFile("hiscore.dat"), 1);
    const std::string bytes = folder.read("Game/hiscore.dat");
    EXPECT_EQ(bytes.substr(4, 19), std::string("Ada:1 Road:ada@x:Y") + '\0');
    EXPECT_EQ(int32At(bytes, 4 + 256), 4200);
    EXPECT_EQ(bytes.substr(4 + 260, 6), "Bo:::N");
    EXPECT_EQ(int32At(bytes, 4 + 260 + 256), 77);

    ScoreTable other;
    other.resize(20);
    ASSERT_EQ(other.readFile("HISCORE.DAT"), 1) << "found without regard to case";
    EXPECT_STREQ(other.entries[0].name, "Ada:1 Road:ada@x:Y");
    EXPECT_EQ(other.entries[1].score, 77);
    EXPECT_EQ(other.topScore(), 4200);
}

TEST_F(Scores, FilesOfAnotherCountOrTooShortAreRejected) {
    table.insert("keep", 5);
    folder.write("Game/hiscore.dat", int32Bytes(10) + std::string(2600, 'z'));
    EXPECT_EQ(table.readFile("hiscore.dat"), 0);
    EXPECT_STREQ(table.entries[0].name, "keep");
    EXPECT_EQ(table.entries[0].score, 5);

    folder.write("Game/hiscore.dat", int32Bytes(20) + std::string(3000, 'z'));
    EXPECT_EQ(table.readFile("hiscore.dat"), 0);
    EXPECT_STREQ(table.entries[0].name, "keep");
    EXPECT_EQ(table.readFile("missing.dat"), 0);
}

TEST_F(Scores, AFileThatCouldNotBeReadIsKeptBesideTheNewOne) {
    // Three bytes short: refused, as any table of another size is, but not thrown away.
    const std::string damaged = int32Bytes(20) + std::string(5197, 'd');
    folder.write("Game/hiscore.dat", damaged);
    EXPECT_EQ(table.readFile("hiscore.dat"), 0);
    table.insert("new", 9);
    ASSERT_EQ(table.writeFile("hiscore.dat"), 1);
    EXPECT_EQ(folder.read("Game/hiscore.dat.bad"), damaged);
    EXPECT_EQ(folder.read("Game/hiscore.dat").size(), 5204u);
    // A readable table is replaced without a copy; the next unreadable one replaces the copy.
    table.insert("newer", 10);
    ASSERT_EQ(table.writeFile("hiscore.dat"), 1);
    EXPECT_EQ(folder.read("Game/hiscore.dat.bad"), damaged);
    folder.write("Game/hiscore.dat", int32Bytes(10) + std::string(2600, 'e'));
    ASSERT_EQ(table.writeFile("hiscore.dat"), 1);
    EXPECT_EQ(folder.read("Game/hiscore.dat.bad"), int32Bytes(10) + std::string(2600, 'e'));
}

TEST_F(Scores, NamesReadFromAFileAreAlwaysTerminated) {
    folder.write("Game/hiscore.dat", int32Bytes(20) + std::string(5200, 'w'));
    ASSERT_EQ(table.readFile("hiscore.dat"), 1);
    EXPECT_EQ(std::strlen(table.entries[0].name), 255u);
    EXPECT_EQ(std::strlen(table.entries[19].name), 255u);
}

TEST_F(Scores, AFailedWriteLeavesThePreviousFileWhole) {
    table.insert("first", 10);
    ASSERT_EQ(table.writeFile("hiscore.dat"), 1);
    const std::string before = folder.read("Game/hiscore.dat");
    table.insert("second", 20);
    platform::faultSet("file-write", true);
    EXPECT_EQ(table.writeFile("hiscore.dat"), 0);
    platform::faultSet("file-write", false);
    EXPECT_EQ(folder.read("Game/hiscore.dat"), before);
}

TEST_F(Scores, ResizeEmptiesAndFreeForgets) {
    table.insert("x", 3);
    table.resize(20);
    EXPECT_EQ(table.topScore(), 0);
    EXPECT_STREQ(table.entries[0].name, "");
    table.free();
    EXPECT_EQ(table.entries, nullptr);
    EXPECT_EQ(table.readFile("hiscore.dat"), 0);
}

}  // namespace
