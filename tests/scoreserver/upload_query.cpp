// The upload query: its decoding and each of its refusals.
#include "scoreserver/upload_query.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "scoreserver/move_text.h"
#include "tests/scoreserver/upload_support.h"

using namespace scoreserver;
using servertest::encode;
using servertest::masked;
using servertest::query;

namespace {

QueryError errorOf(const std::string& q) {
    return parseUploadQuery(q).error;
}

TEST(UploadQuery, DecodesTheEntryIntoNameAndContactDetails) {
    const ParsedQuery parsed =
        parseUploadQuery(query("Tintaro", "Ada:1 Road: Town:ada@example.org:N", 31400, "0213"));
    ASSERT_EQ(parsed.error, QueryError::None);
    EXPECT_EQ(parsed.upload.game, "Tintaro");
    EXPECT_EQ(parsed.upload.name, "Ada");
    EXPECT_EQ(parsed.upload.address, "1 Road: Town");
    EXPECT_EQ(parsed.upload.email, "ada@example.org");
    EXPECT_EQ(parsed.upload.score, 31400);
    EXPECT_EQ(parsed.upload.moveText, "0213");
    ASSERT_EQ(parsed.upload.moves.size(), 4u);
    EXPECT_EQ(parsed.upload.moves[1].ring, 1);
    EXPECT_EQ(parsed.upload.moves[1].direction, 0);
    EXPECT_EQ(parsed.upload.moves[3].ring, 1);
    EXPECT_EQ(parsed.upload.moves[3].direction, 1);

    // A name that looks like more fields arrives as that name; the score is the real one.
    const ParsedQuery tricky = parseUploadQuery(query("Tintaro", "Bo&score=9999999:::Y", 700));
    ASSERT_EQ(tricky.error, QueryError::None);
    EXPECT_EQ(tricky.upload.name, "Bo&score=9999999");
    EXPECT_EQ(tricky.upload.score, 700);
    EXPECT_TRUE(tricky.upload.address.empty());
    EXPECT_TRUE(tricky.upload.email.empty());
    EXPECT_TRUE(tricky.upload.moves.empty());

    // Latin-1 becomes UTF-8, control characters go, '+' stays a plus, lower-case hex is fine.
    const ParsedQuery latin =
        parseUploadQuery("game=Tintaro&name=J%f6rg%0A+%E9%7f:x:y:Y&score=" + masked(5));
    ASSERT_EQ(latin.error, QueryError::None);
    EXPECT_EQ(latin.upload.name, "J\xC3\xB6rg+\xC3\xA9");
    EXPECT_EQ(latin.upload.address, "x");
}

TEST(UploadQuery, RefusesMalformedQueriesAndParameters) {
    const std::string good = query("Tintaro", "Ada:::Y", 100);
    ASSERT_EQ(errorOf(good), QueryError::None);
    EXPECT_EQ(errorOf(""), QueryError::Malformed);
    EXPECT_EQ(errorOf(good + "&"), QueryError::Malformed);
    EXPECT_EQ(errorOf(good + "&moves"), QueryError::Malformed);
    EXPECT_EQ(errorOf(good + "&level=3"), QueryError::UnknownParameter);
    EXPECT_EQ(errorOf(good + "&game=Tintaro"), QueryError::DuplicateParameter);
    EXPECT_EQ(errorOf(good + "&moves=01&moves=01"), QueryError::DuplicateParameter);
    EXPECT_EQ(errorOf("name=Ada&score=" + masked(100)), QueryError::MissingGame);
    EXPECT_EQ(errorOf("game=Tintaro&score=" + masked(100)), QueryError::MissingName);
    EXPECT_EQ(errorOf("game=Tintaro&name=Ada"), QueryError::MissingScore);
    EXPECT_EQ(errorOf("game=Tin%2Ftaro&name=Ada&score=" + masked(100)), QueryError::BadGame);
    EXPECT_EQ(errorOf("game=&name=Ada&score=" + masked(100)), QueryError::BadGame);
    EXPECT_EQ(errorOf(std::string(kMaxQueryBytes + 1, 'a')), QueryError::TooLong);
    for (const char* escape : {"%", "%4", "%G1", "%1g", "%%41"})
        EXPECT_EQ(errorOf("game=Tintaro&name=A" + std::string(escape) + "&score=" + masked(1)),
                  QueryError::BadEscape)
            << escape;
    EXPECT_EQ(errorOf("game=Tintaro&name=Ada&score=1%2"), QueryError::BadEscape);
}

// Every byte survives encoding and decoding; only the unreserved bytes and those asked for
// stay as they are (a NUL too is escaped), and pairs split at their first '='.
TEST(UploadQuery, EncodesEveryByteAndSplitsPairsAtTheFirstEquals) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const bool unreserved =
            std::isalnum(b) || one == "-" || one == "." || one == "_" || one == "~";
        const std::string plain = percentEncode(one);
        EXPECT_EQ(plain.size(), unreserved ? 1u : 3u) << b;
        std::string back;
        ASSERT_TRUE(percentDecode(plain, back)) << b;
        EXPECT_EQ(back, one) << b;
        const bool kept = unreserved || one == "&" || one == "=" || one == "%" || one == "+";
        EXPECT_EQ(percentEncode(one, "&=%+").size(), kept ? 1u : 3u) << b;
    }
    EXPECT_EQ(percentEncode(std::string("a\0b", 3), "&=%+"), "a%00b");

    const std::vector<QueryPair> pairs = splitQuery("a=1&&b&=c=d");
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_TRUE(pairs[0].key == "a" && pairs[0].value == "1" && pairs[0].hasEquals);
    EXPECT_TRUE(pairs[1].key.empty() && !pairs[1].hasEquals);
    EXPECT_TRUE(pairs[2].key == "b" && !pairs[2].hasEquals);
    EXPECT_TRUE(pairs[3].key.empty() && pairs[3].value == "c=d" && pairs[3].hasEquals);
    EXPECT_EQ(splitQuery("").size(), 1u);
}

TEST(UploadQuery, CapsTheEntryAndItsName) {
    const std::string name63(63, 'n');
    EXPECT_EQ(errorOf(query("Tintaro", name63 + ":::Y", 1)), QueryError::None);
    EXPECT_EQ(errorOf(query("Tintaro", name63 + "n:::Y", 1)), QueryError::NameTooLong);
    // Latin-1 bytes count before they become two UTF-8 bytes each.
    const ParsedQuery wide = parseUploadQuery(query("Tintaro", std::string(63, '\xE9'), 1));
    ASSERT_EQ(wide.error, QueryError::None);
    EXPECT_EQ(wide.upload.name.size(), 126u);
    const std::string entry255 = "Ada:" + std::string(251, 'a');
    EXPECT_EQ(errorOf(query("Tintaro", entry255, 1)), QueryError::None);
    EXPECT_EQ(errorOf(query("Tintaro", entry255 + "a", 1)), QueryError::EntryTooLong);
    EXPECT_EQ(errorOf(query("Tintaro", ":1 Road:a@b:Y", 1)), QueryError::EmptyName);
    EXPECT_EQ(errorOf(query("Tintaro", "\x01\x1F\x85:1 Road:a@b:Y", 1)), QueryError::EmptyName);
    EXPECT_EQ(errorOf(query(std::string(64, 'G'), "Ada", 1)), QueryError::BadGame);
}

TEST(UploadQuery, ParsesTheMaskedScoreStrictly) {
    auto withScore = [](const std::string& text) {
        return parseUploadQuery("game=Tintaro&name=Ada&score=" + text);
    };
    EXPECT_EQ(withScore(masked(2147483647)).upload.score, 2147483647);
    EXPECT_EQ(withScore(masked(1303600)).upload.score, 1303600);
    for (const char* bad : {"", "+63161284", "063161284", "-0", "12a", " 12", "1e3", "2147483648",
                            "-2147483649", "99999999999", "0x3C3C3C4"})
        EXPECT_EQ(withScore(bad).error, QueryError::BadScore) << bad;
    EXPECT_EQ(withScore("%2D5").error, QueryError::ScoreNotPositive);
    // Zero and negative scores never enter a hall of fame: an empty table uploads 0.
    EXPECT_EQ(withScore(masked(0)).error, QueryError::ScoreNotPositive);
    EXPECT_EQ(withScore(masked(-125)).error, QueryError::ScoreNotPositive);
    EXPECT_EQ(withScore(std::to_string(INT32_MIN)).error, QueryError::ScoreNotPositive);
}

TEST(UploadQuery, MovesAreDigitsZeroToFiveUpToTheCap) {
    const std::string longest(kMaxMoves, '3');
    const auto parsed = parseMoves(longest);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->size(), kMaxMoves);
    EXPECT_FALSE(parseMoves(longest + "3").has_value());
    EXPECT_FALSE(parseMoves("").has_value());
    EXPECT_FALSE(parseMoves("0126").has_value());
    EXPECT_FALSE(parseMoves("01 2").has_value());
    const auto all = parseMoves("012345");
    ASSERT_TRUE(all.has_value());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ((*all)[i].ring, i / 2);
        EXPECT_EQ((*all)[i].direction, i % 2);
    }
    EXPECT_EQ(errorOf(query("Tintaro", "Ada", 1) + "&moves="), QueryError::BadMoves);
    EXPECT_EQ(errorOf(query("Tintaro", "Ada", 1) + "&moves=0%36"), QueryError::BadMoves);
    EXPECT_EQ(errorOf(query("Tintaro", "Ada", 1) + "&moves=" + encode("01")), QueryError::None);
}

}  // namespace
