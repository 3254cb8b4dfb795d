// The HTTP side, over a real socket and on each store: uploads previewed and published with a
// one-time token, taken from the raw address, tables paged and every outside text escaped.
#include "scoreserver/http_server.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scoreserver/score_json.h"
#include "scoreserver/score_pages.h"
#include "tests/scoreserver/http_client.h"
#include "tests/scoreserver/store_support.h"
#include "tests/scoreserver/upload_support.h"

using namespace scoreserver;
using servertest::Form;
using servertest::formOf;
using servertest::get;
using servertest::query;
using servertest::Reply;
using servertest::request;

namespace {

class HttpServerTest : public ::testing::TestWithParam<servertest::StoreKind> {
protected:
    void SetUp() override { ASSERT_TRUE(server.start("127.0.0.1", 0)); }
    Reply preview(const std::string& q) { return get(server.port(), "/cgi-bin/hiscore.cgi?" + q); }
    Reply post(const std::string& target, const std::string& body) {
        return request(server.port(), "POST", target, body);
    }
    // The preview, then its Publish button pressed.
    Reply upload(const std::string& q) {
        const Reply page = preview(q);
        if (page.status != 200) return page;
        const Form form = formOf(page);
        EXPECT_FALSE(form.action.empty() || form.token.empty()) << page.body;
        return post(form.action, "token=" + form.token);
    }

    servertest::ScratchStore scratch{GetParam()};
    std::unique_ptr<ScoreStore> owned = scratch.open();
    ScoreStore& store = *owned;
    std::int64_t clock = 86400 * 365;
    // Rates no test here reaches; the limits have a test of their own.
    HttpServer server{store, [this] { return clock; }, ServerLimits{1000000, 1000000}};
};

INSTANTIATE_TEST_SUITE_P(Stores, HttpServerTest,
                         ::testing::Values(servertest::StoreKind::SQLite,
                                           servertest::StoreKind::PostgreSQL),
                         servertest::storeName);

TEST_P(HttpServerTest, TakesUploadsFromTheRawAddressAndShowsTheTable) {
    const servertest::PlayedGame game = servertest::solvedGame();
    EXPECT_EQ(upload(query("Tintaro", "<b>Ada</b>+1:1 Road:a@b:Y", game.score, game.moves)).status,
              200);
    // '+' sent unencoded stays a plus sign.
    EXPECT_EQ(upload("game=Tintaro&name=Bo+Cy&score=" + servertest::masked(900)).status, 200);
    const Reply refused = upload(query("Tintaro", "Di", game.score + 1, game.moves));
    EXPECT_EQ(refused.status, 400);
    EXPECT_NE(refused.body.find("not what its moves earn"), std::string::npos);

    const Reply table = get(server.port(), "/hiscores?game=Tintaro");
    ASSERT_EQ(table.status, 200);
    const std::size_t ada = table.body.find("&lt;b&gt;Ada&lt;/b&gt;+1");
    const std::size_t bo = table.body.find("Bo+Cy");
    ASSERT_NE(ada, std::string::npos) << table.body;
    ASSERT_NE(bo, std::string::npos);
    EXPECT_LT(ada, bo);  // best first
    EXPECT_EQ(table.body.find("<b>"), std::string::npos);
    EXPECT_EQ(table.body.find("Di"), std::string::npos);
    EXPECT_NE(table.body.find(std::to_string(game.score)), std::string::npos);
    EXPECT_NE(table.body.find("1971-01-01"), std::string::npos);

    EXPECT_EQ(get(server.port(), "/hiscores?game=Orbis").status, 404);
    EXPECT_EQ(get(server.port(), "/hiscores?game=Tintaro&page=x").status, 400);
    EXPECT_EQ(get(server.port(), "/index.html").status, 404);
}

TEST_P(HttpServerTest, PagesTheTable) {
    for (int i = 0; i < kRowsPerPage + 3; ++i)
        ASSERT_EQ(upload(query("Tintaro", "P" + std::to_string(i), 1000 + i)).status, 200);
    const Reply first = get(server.port(), "/hiscores?game=Tintaro");
    const Reply second = get(server.port(), "/hiscores?game=Tintaro&page=1");
    ASSERT_EQ(second.status, 200);
    // The best on the first page with a link on; the three lowest on the second.
    EXPECT_NE(first.body.find("P52"), std::string::npos);
    EXPECT_EQ(first.body.find(">P2<"), std::string::npos);
    EXPECT_NE(first.body.find("page=1\">Next"), std::string::npos);
    for (const char* name : {">P0<", ">P1<", ">P2<"})
        EXPECT_NE(second.body.find(name), std::string::npos) << name;
    EXPECT_EQ(second.body.find(">P3<"), std::string::npos);
    EXPECT_NE(second.body.find("<td>" + std::to_string(kRowsPerPage + 1) + "</td>"),
              std::string::npos);
    EXPECT_EQ(second.body.find("Next"), std::string::npos);
    EXPECT_NE(second.body.find("page=0\">Previous"), std::string::npos);
    EXPECT_NE(first.body.find("page=1\">Last"), std::string::npos);
    EXPECT_EQ(first.body.find("Previous"), std::string::npos);
}

TEST_P(HttpServerTest, ListsTheGamesWithScoresAndMarksUncheckedRows) {
    const Reply empty = get(server.port(), "/");
    ASSERT_EQ(empty.status, 200);
    EXPECT_EQ(empty.body.find("<li>"), std::string::npos);

    const servertest::PlayedGame game = servertest::shortGame();
    ASSERT_EQ(upload(query("Tintaro", "Ada", game.score, game.moves)).status, 200);
    ASSERT_EQ(upload(query("Tintaro", "Bo", game.score + 5)).status, 200);
    NewScore other;
    other.game = "Orbis <Two>";
    other.name = "Cy";
    other.score = 10;
    store.add(other);

    const Reply games = get(server.port(), "/");
    ASSERT_EQ(games.status, 200);
    EXPECT_NE(
        games.body.find("<a href=\"/hiscores?game=Tintaro&amp;page=0\">Tintaro</a>, 2 scores"),
        std::string::npos)
        << games.body;
    EXPECT_NE(games.body.find("href=\"/hiscores?game=Orbis%20%3CTwo%3E&amp;page=0\">Orbis "
                              "&lt;Two&gt;</a>, 1 scores"),
              std::string::npos)
        << games.body;
    EXPECT_EQ(games.body.find("<Two>"), std::string::npos);
    EXPECT_LT(games.body.find(">Orbis"), games.body.find(">Tintaro"));
    EXPECT_EQ(get(server.port(), "/hiscores?game=Orbis%20%3CTwo%3E").status, 200);

    // The unchecked score keeps its rank above the checked one, marked.
    const Reply table = get(server.port(), "/hiscores?game=Tintaro");
    EXPECT_NE(table.body.find("<tr class=\"unchecked\"><td>1</td><td>Bo</td>"), std::string::npos)
        << table.body;
    EXPECT_NE(table.body.find("<tr><td>2</td><td>Ada</td>"), std::string::npos);
    EXPECT_NE(table.body.find("replayed</td>"), std::string::npos);
    for (const Reply& page : {games, table}) {
        EXPECT_NE(page.body.find("<header><a href=\"/\"><img src=\"/logo.png\""),
                  std::string::npos);
        EXPECT_NE(page.body.find("<meta name=\"viewport\""), std::string::npos);
        EXPECT_EQ(page.body.find("<script"), std::string::npos);
    }
}

// The artwork's logo is built into the server and shown on every page at half its pixels;
// only it may be cached, and the pages may load images only from the server itself.
TEST_P(HttpServerTest, ServesTheArtworksLogoThatEveryPageShows) {
    std::ifstream file(STUDIO_STAGE_DIR "/web/logo.png", std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(file), {}};
    ASSERT_GT(png.size(), 24u);
    const Reply logo = get(server.port(), "/logo.png");
    ASSERT_EQ(logo.status, 200);
    EXPECT_TRUE(logo.body == png) << "the served logo is not the artwork's logo.png";
    EXPECT_NE(logo.headers.find("Content-Type: image/png\r\n"), std::string::npos);
    EXPECT_NE(logo.headers.find("Cache-Control: public, max-age="), std::string::npos);
    EXPECT_EQ(post("/logo.png", "x=1").status, 405);

    const auto word = [&png](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24 |
                static_cast<unsigned char>(png[at + 1]) << 16 |
                static_cast<unsigned char>(png[at + 2]) << 8 |
                static_cast<unsigned char>(png[at + 3]));
    };
    const std::string img = "<img src=\"/logo.png\" alt=\"Gatefold\" width=\"" +
                            std::to_string(word(16) / 2) + "\" height=\"" +
                            std::to_string(word(20) / 2) + "\">";
    const servertest::PlayedGame game = servertest::shortGame();
    ASSERT_EQ(upload(query("Tintaro", "Ada", game.score, game.moves)).status, 200);
    for (const std::string& target : std::vector<std::string>{
             "/", "/hiscores?game=Tintaro", "/cgi-bin/hiscore.cgi?" + query("Tintaro", "Bo", 700),
             "/cgi-bin/hiscore.cgi?game=Tintaro", "/nowhere"}) {
        const Reply page = get(server.port(), target);
        EXPECT_NE(page.body.find(img), std::string::npos) << target << page.body;
        EXPECT_NE(page.headers.find("Cache-Control: no-store\r\n"), std::string::npos) << target;
        EXPECT_NE(page.headers.find("Content-Security-Policy: default-src 'none'; style-src "
                                    "'unsafe-inline'; img-src 'self'; form-action 'self'\r\n"),
                  std::string::npos)
            << page.headers;
    }
}

TEST_P(HttpServerTest, APreviewStoresNothingAndShowsOnlyThePublicName) {
    const servertest::PlayedGame game = servertest::solvedGame();
    const Reply page = preview(query("Tintaro", "<i>Ada</i>&\"x\":1 Secret Road:ada@example.org:Y",
                                     game.score, game.moves));
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("&lt;i&gt;Ada&lt;/i&gt;&amp;&quot;x&quot;"), std::string::npos)
        << page.body;
    EXPECT_EQ(page.body.find("<i>"), std::string::npos);
    EXPECT_NE(page.body.find(std::to_string(game.score)), std::string::npos);
    EXPECT_NE(page.body.find("yes, by replaying its moves"), std::string::npos);
    EXPECT_NE(page.body.find("name=\"viewport\""), std::string::npos);
    // The contact details go back only inside the form's address (the one the browser is
    // showing), to be kept with the POST; nowhere else on the page.
    const Form form = formOf(page);
    std::string shown = page.body;
    const std::size_t action = shown.find("action=\"");
    ASSERT_NE(action, std::string::npos);
    shown.erase(action, shown.find('"', action + 8) - action);
    for (const char* secret : {"Secret", "ada@example", "ada%40example"})
        EXPECT_EQ(shown.find(secret), std::string::npos) << secret;
    EXPECT_EQ(form.action.rfind("/cgi-bin/hiscore.cgi?", 0), 0u) << form.action;
    EXPECT_EQ(form.token.size(), 32u);
    // Another preview of the same upload gets another token.
    EXPECT_NE(formOf(preview(query("Tintaro", "Ada", 500))).token, form.token);
    EXPECT_EQ(formOf(preview(query("Tintaro", "Bo", 600))).token.size(), 32u);
    EXPECT_NE(preview(query("Tintaro", "Ada", 500)).body.find("no, it came without"),
              std::string::npos);

    // A refused upload gets its reason and no form.
    const Reply forged = preview(query("Tintaro", "Di", game.score + 1, game.moves));
    EXPECT_EQ(forged.status, 400);
    EXPECT_EQ(forged.body.find("<form"), std::string::npos);
    EXPECT_EQ(preview("game=Tintaro&name=Ada").status, 400);
    EXPECT_EQ(store.count("Tintaro"), 0);
    EXPECT_EQ(store.contactCount(), 0);
}

TEST_P(HttpServerTest, PublishingTakesThePagesTokenOnce) {
    const servertest::PlayedGame game = servertest::shortGame();
    const std::string q = query("Tintaro", "Ada:1 Road:a@b:Y", game.score, game.moves);
    const Form form = formOf(preview(q));
    ASSERT_FALSE(form.token.empty());

    EXPECT_EQ(post(form.action, "").status, 400);
    EXPECT_EQ(post(form.action, "token=" + std::string(32, '0')).status, 403);
    EXPECT_EQ(post(form.action, "token=" + form.token + "x").status, 403);
    // The same token with a score its moves did not earn is refused for the score.
    const Reply forged =
        post("/cgi-bin/hiscore.cgi?" + query("Tintaro", "Ada", game.score + 1, game.moves),
             "token=" + form.token);
    EXPECT_EQ(forged.status, 400);
    EXPECT_EQ(forged.body.find("rank"), std::string::npos);
    // A body over the cap is refused before it is read.
    EXPECT_EQ(post(form.action, "token=" + std::string(HttpServer::kMaxFormBytes, 'a')).status,
              413);
    EXPECT_EQ(store.count("Tintaro"), 0);

    const Reply published = post(form.action, "token=" + form.token);
    ASSERT_EQ(published.status, 200) << published.body;
    EXPECT_NE(published.body.find("at rank 1."), std::string::npos) << published.body;
    EXPECT_NE(published.body.find("<tr class=\"you\"><td>1</td><td>Ada</td>"), std::string::npos);
    EXPECT_NE(published.body.find("href=\"/hiscores?game=Tintaro&amp;page=0\""), std::string::npos);
    EXPECT_EQ(published.body.find("1 Road"), std::string::npos);
    EXPECT_EQ(store.count("Tintaro"), 1);
    EXPECT_EQ(store.contactCount(), 1);

    // A token works only for the address it was handed to, and is gone once tried.
    const Form theirs = formOf(preview(query("Tintaro", "Eve", 4100)));
    EXPECT_EQ(
        request(server.port(), "POST", theirs.action, "token=" + theirs.token, "127.0.0.2").status,
        403);
    EXPECT_EQ(post(theirs.action, "token=" + theirs.token).status, 403);
    EXPECT_EQ(store.count("Tintaro"), 1);
    // Used once: the same button again stores nothing.
    EXPECT_EQ(post(form.action, "token=" + form.token).status, 403);
    // A token past its lifetime is refused.
    const Form late = formOf(preview(query("Tintaro", "Bo", 4200)));
    clock += PublishTokens::kLifetimeSeconds;
    EXPECT_EQ(post(late.action, "token=" + late.token).status, 403);
    EXPECT_EQ(store.count("Tintaro"), 1);
    // GET and POST on other addresses store nothing either.
    EXPECT_EQ(post("/hiscores?game=Tintaro", "token=" + late.token).status, 405);
    EXPECT_EQ(request(server.port(), "PUT", form.action).status, 405);
    EXPECT_EQ(store.count("Tintaro"), 1);
}

TEST_P(HttpServerTest, APublishedScoreShowsItsRankAmongTheRowsAroundIt) {
    for (int i = 1; i <= 10; ++i) {
        NewScore row;
        row.game = "Tintaro";
        row.name = "R" + std::to_string(i);
        row.score = 10000 - 100 * i;  // R1 9900 ... R10 9000
        row.submittedAt = clock;
        ASSERT_EQ(store.add(row), AddOutcome::Added);
    }
    // 9450 lies between R5 (9500) and R6 (9400): rank 6, with ranks 3 to 9 around it.
    const Reply published = upload(query("Tintaro", "<script>x</script>", 9450));
    ASSERT_EQ(published.status, 200);
    EXPECT_NE(published.body.find("at rank 6."), std::string::npos) << published.body;
    EXPECT_NE(published.body.find(
                  "<tr class=\"you unchecked\"><td>6</td><td>&lt;script&gt;x&lt;/script&gt;"),
              std::string::npos)
        << published.body;
    EXPECT_EQ(published.body.find("<script>"), std::string::npos);
    for (const char* shown : {">R3<", ">R5<", ">R6<", ">R8<"})
        EXPECT_NE(published.body.find(shown), std::string::npos) << shown;
    for (const char* hidden : {">R2<", ">R9<"})
        EXPECT_EQ(published.body.find(hidden), std::string::npos) << hidden;
    EXPECT_NE(published.body.find("<td>9</td><td>R8</td>"), std::string::npos);
    EXPECT_EQ(store.count("Tintaro"), 11);
}

TEST_P(HttpServerTest, ServesTheTablesAsJsonWithTheLimitCapped) {
    EXPECT_EQ(get(server.port(), "/api/games").body, "{\"games\":[]}\n");
    for (int i = 0; i < kMaxApiRows + 5; ++i) {
        NewScore row;
        row.game = i < 2 ? "Orbis Two" : "Tintaro";
        row.name = "P" + std::to_string(i);
        row.score = 1000 + i;
        row.verified = i % 2 == 0;
        row.moves = std::to_string(i);
        row.submittedAt = clock;
        ASSERT_EQ(store.add(row), AddOutcome::Added);
    }
    const Reply games = get(server.port(), "/api/games");
    ASSERT_EQ(games.status, 200);
    EXPECT_NE(games.headers.find("Content-Type: application/json"), std::string::npos);
    EXPECT_EQ(games.body,
              "{\"games\":[{\"name\":\"Orbis Two\",\"scores\":2,\"url\":\"/api/games/"
              "Orbis%20Two/scores\"},{\"name\":\"Tintaro\",\"scores\":" +
                  std::to_string(kMaxApiRows + 3) + ",\"url\":\"/api/games/Tintaro/scores\"}]}\n");

    const Reply two = get(server.port(), "/api/games/Orbis%20Two/scores");
    ASSERT_EQ(two.status, 200);
    EXPECT_EQ(two.body,
              "{\"game\":\"Orbis Two\",\"total\":2,\"offset\":0,\"limit\":100,\"scores\":["
              "{\"rank\":1,\"name\":\"P1\",\"score\":1001,\"submitted\":31536000,\"date\":"
              "\"1971-01-01\",\"verified\":false},"
              "{\"rank\":2,\"name\":\"P0\",\"score\":1000,\"submitted\":31536000,\"date\":"
              "\"1971-01-01\",\"verified\":true}]}\n");
    const Reply capped = get(server.port(), "/api/games/Tintaro/scores?limit=100000");
    EXPECT_NE(capped.body.find("\"limit\":" + std::to_string(kMaxApiRows) + ","),
              std::string::npos);
    EXPECT_NE(capped.body.find("\"rank\":" + std::to_string(kMaxApiRows) + ","), std::string::npos);
    EXPECT_EQ(capped.body.find("\"rank\":" + std::to_string(kMaxApiRows + 1) + ","),
              std::string::npos);
    const Reply last = get(server.port(), "/api/games/Tintaro/scores?offset=101&limit=5");
    EXPECT_NE(last.body.find("\"rank\":102,\"name\":\"P3\""), std::string::npos) << last.body;
    EXPECT_NE(last.body.find("\"rank\":103,\"name\":\"P2\""), std::string::npos);
    EXPECT_EQ(last.body.find("\"rank\":101"), std::string::npos);
    for (const char* bad : {"?limit=0", "?offset=-1", "?limit=1e3", "?offset=9999999999"})
        EXPECT_EQ(get(server.port(), std::string("/api/games/Tintaro/scores") + bad).status, 400)
            << bad;
    EXPECT_EQ(get(server.port(), "/api/games/Nope/scores").status, 404);
    EXPECT_EQ(get(server.port(), "/api/games/Tintaro").status, 404);
}

TEST_P(HttpServerTest, JsonEscapesEveryStringAsValidUtf8) {
    EXPECT_EQ(jsonString("a\"b\\c/"), "\"a\\\"b\\\\c/\"");
    EXPECT_EQ(jsonString(std::string("\x00\x01\n\x1f\x7f", 5)),
              "\"\\u0000\\u0001\\u000a\\u001f\\u007f\"");
    EXPECT_EQ(jsonString("</script>&"), "\"\\u003c/script\\u003e\\u0026\"");
    // Well-formed UTF-8 passes; each byte of a broken sequence becomes U+FFFD.
    EXPECT_EQ(jsonString("J\xC3\xB6rg \xE2\x82\xAC \xF0\x9F\x8E\xB2"),
              "\"J\xC3\xB6rg \xE2\x82\xAC \xF0\x9F\x8E\xB2\"");
    EXPECT_EQ(jsonString("\xC3"), "\"\\ufffd\"");
    EXPECT_EQ(jsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");             // overlong '/'
    EXPECT_EQ(jsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");  // a surrogate
    EXPECT_EQ(jsonString("\xF4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(jsonString("\xE2\x82x"), "\"\\ufffd\\ufffdx\"");

    // A stored name (UTF-8, as every store keeps it) comes out of the API escaped the same way.
    NewScore row;
    row.game = "Tintaro";
    row.name = "<b>\"Ada\"\x01\xC3\xB6";
    row.score = 5;
    store.add(row);
    const Reply scores = get(server.port(), "/api/games/Tintaro/scores");
    EXPECT_NE(scores.body.find("\"name\":\"\\u003cb\\u003e\\\"Ada\\\"\\u0001\xC3\xB6\""),
              std::string::npos)
        << scores.body;
    EXPECT_EQ(scores.body.find('<'), std::string::npos);
}

TEST_P(HttpServerTest, EachClientAddressHasItsRateOfUploadsAndOfPages) {
    HttpServer limited{store, [this] { return clock; }};
    ASSERT_TRUE(limited.start("127.0.0.1", 0));
    const std::string uploadAddress = "/cgi-bin/hiscore.cgi?" + query("Tintaro", "Ada", 700);
    const ServerLimits limits;
    Form form;
    for (int i = 0; i < limits.uploadsPerMinute; ++i) {
        const Reply page = get(limited.port(), uploadAddress);
        ASSERT_EQ(page.status, 200) << i;
        form = formOf(page);
    }
    const Reply refused = get(limited.port(), uploadAddress);
    EXPECT_EQ(refused.status, 429);
    EXPECT_NE(refused.headers.find("Retry-After: 2\r\n"), std::string::npos) << refused.headers;
    EXPECT_NE(refused.body.find("Too many requests"), std::string::npos);
    // The POST shares the upload's rate: with a good token it stores nothing while over it.
    EXPECT_EQ(request(limited.port(), "POST", form.action, "token=" + form.token).status, 429);
    EXPECT_EQ(store.count("Tintaro"), 0);
    // The pages have a rate of their own, and another address an upload rate of its own.
    EXPECT_EQ(get(limited.port(), "/").status, 200);
    EXPECT_EQ(request(limited.port(), "GET", uploadAddress, "", "127.0.0.2").status, 200);
    // Two seconds give back one upload.
    clock += 2;
    const Reply published = request(limited.port(), "POST", form.action, "token=" + form.token);
    EXPECT_EQ(published.status, 200) << published.body;
    EXPECT_EQ(store.count("Tintaro"), 1);
    EXPECT_EQ(get(limited.port(), uploadAddress).status, 429);

    // The two seconds filled the pages' bucket again: a minute's worth in a row, then no more.
    for (int i = 0; i < limits.pagesPerMinute; ++i)
        ASSERT_EQ(get(limited.port(), "/api/games").status, 200) << i;
    const Reply pages = get(limited.port(), "/hiscores?game=Tintaro");
    EXPECT_EQ(pages.status, 429);
    EXPECT_NE(pages.headers.find("Retry-After: 1\r\n"), std::string::npos) << pages.headers;
    clock += 1;
    EXPECT_EQ(get(limited.port(), "/hiscores?game=Tintaro").status, 200);
}

TEST_P(HttpServerTest, OnlyTheNewestPublishTokensAreKept) {
    const std::string q = query("Tintaro", "Ada", 700);
    const Form oldest = formOf(preview(q));
    const Form kept = formOf(preview(q));
    for (std::size_t i = 2; i < PublishTokens::kMaxTokens; ++i)
        ASSERT_EQ(preview(q).status, 200) << i;
    // The table is full: one more preview drops the oldest token, and only that one.
    const Form newest = formOf(preview(q));
    EXPECT_EQ(post(oldest.action, "token=" + oldest.token).status, 403);
    EXPECT_EQ(post(kept.action, "token=" + kept.token).status, 200);
    EXPECT_EQ(post(newest.action, "token=" + newest.token).status, 200);
    EXPECT_EQ(store.count("Tintaro"), 1);  // the same upload twice is one row
}

TEST_P(HttpServerTest, TheRateTableForgetsTheAddressSeenLeastRecently) {
    HttpServer limited{store, [this] { return clock; }, ServerLimits{1, 1}};
    ASSERT_TRUE(limited.start("127.0.0.1", 0));
    ASSERT_EQ(get(limited.port(), "/").status, 200);
    ASSERT_EQ(get(limited.port(), "/").status, 429);
    // Each other address takes a row, until the table is full.
    for (std::size_t i = 0; i < RateLimiter::kMaxAddresses - 1; ++i) {
        const std::string from =
            "127.1." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250);
        ASSERT_EQ(request(limited.port(), "GET", "/", "", from).status, 200) << from;
    }
    // 127.0.0.1 is still known, and now the address seen last; a new address drops the one
    // seen least recently, 127.1.0.1, which comes back with a full bucket.
    EXPECT_EQ(get(limited.port(), "/").status, 429);
    EXPECT_EQ(request(limited.port(), "GET", "/", "", "127.2.0.1").status, 200);
    EXPECT_EQ(request(limited.port(), "GET", "/", "", "127.1.0.1").status, 200);
    EXPECT_EQ(request(limited.port(), "GET", "/", "", "127.1.0.3").status, 429);
    EXPECT_EQ(get(limited.port(), "/").status, 429);
}

}  // namespace

namespace {

// Table pages are served again from memory while the tables are unchanged: a publish, or a
// row written into the file by another program, shows on the next page asked for.
TEST_P(HttpServerTest, ATablePageShowsEveryChangeMadeSinceItWasLastServed) {
    ASSERT_EQ(upload(query("Tintaro", "Ada", 500)).status, 200);
    const Reply before = get(server.port(), "/hiscores?game=Tintaro");
    ASSERT_EQ(before.status, 200);
    EXPECT_EQ(get(server.port(), "/hiscores?game=Tintaro").body, before.body);
    EXPECT_EQ(before.body.find(">Bo<"), std::string::npos);

    ASSERT_EQ(upload(query("Tintaro", "Bo", 700)).status, 200);
    const Reply published = get(server.port(), "/hiscores?game=Tintaro");
    EXPECT_NE(published.body.find(">Bo<"), std::string::npos) << published.body;

    // Another program's connection to the same database.
    const std::unique_ptr<ScoreStore> otherStore = scratch.open();
    ScoreStore& other = *otherStore;
    NewScore row;
    row.game = "Tintaro";
    row.name = "Cy";
    row.score = 900;
    row.submittedAt = clock;
    ASSERT_EQ(other.add(row), AddOutcome::Added);
    const Reply outside = get(server.port(), "/hiscores?game=Tintaro");
    const std::size_t cy = outside.body.find(">Cy<");
    ASSERT_NE(cy, std::string::npos) << outside.body;
    EXPECT_LT(cy, outside.body.find(">Bo<"));
    // And the second page, made before any of it, is made anew too.
    EXPECT_EQ(get(server.port(), "/hiscores?game=Tintaro&page=1").status, 200);
    for (int i = 0; i < kRowsPerPage; ++i) {
        row.name = "R" + std::to_string(i);
        row.score = 10 + i;
        other.add(row);
    }
    EXPECT_NE(get(server.port(), "/hiscores?game=Tintaro&page=1").body.find(">R2<"),
              std::string::npos);
}

}  // namespace

namespace {

// The store under the server, with adds held back until let go: a publish waiting for its
// commit.
class HeldStore : public ScoreStore {
public:
    explicit HeldStore(ScoreStore& inner) : inner_(inner) {}
    AddOutcome add(const NewScore& score) override {
        std::unique_lock lock(mutex_);
        waiting_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        lock.unlock();
        return inner_.add(score);
    }
    std::vector<TableRow> page(std::string_view game, std::int64_t offset, int limit) override {
        return inner_.page(game, offset, limit);
    }
    std::int64_t count(std::string_view game) override { return inner_.count(game); }
    std::int64_t rankOf(std::string_view game, std::int32_t score) override {
        return inner_.rankOf(game, score);
    }
    std::vector<std::string> games() override { return inner_.games(); }
    std::int64_t contactCount() override { return inner_.contactCount(); }
    void waitForAnAdd() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return waiting_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    ScoreStore& inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool waiting_ = false;
    bool released_ = false;
};

// The server answers on several threads: a publish waiting for the store holds no other
// request, and the limit of connections from one address holds over all the threads.
TEST_P(HttpServerTest, RequestsAreAnsweredBesideAWaitingPublishAndTheAddressLimitHoldsForAll) {
    HeldStore held(store);
    ServerLimits limits{1000000, 1000000};
    limits.threads = 4;
    HttpServer threaded{held, [this] { return clock; }, limits};
    ASSERT_TRUE(threaded.start("127.0.0.1", 0));
    const std::string q = query("Tintaro", "Ada", 700);
    const Form form = formOf(get(threaded.port(), "/cgi-bin/hiscore.cgi?" + q));
    Reply published;
    std::thread publisher(
        [&] { published = request(threaded.port(), "POST", form.action, "token=" + form.token); });
    held.waitForAnAdd();
    // The publish is inside the store now; other requests are answered meanwhile.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(get(threaded.port(), "/").status, 200) << i;
    EXPECT_EQ(get(threaded.port(), "/hiscores?game=Tintaro").status, 404);
    held.release();
    publisher.join();
    EXPECT_EQ(published.status, 200) << published.body;
    EXPECT_EQ(get(threaded.port(), "/hiscores?game=Tintaro").status, 200);

    // Nine connections from one address, all open before any request: eight are served.
    std::vector<int> open;
    for (int i = 0; i < limits.connectionsPerAddress + 1; ++i) {
        const int fd = servertest::connectFrom(threaded.port(), "127.0.0.7");
        ASSERT_GE(fd, 0);
        open.push_back(fd);
    }
    // Eight taken in, the ninth refused.
    ASSERT_TRUE(servertest::waitForOpenConnections(threaded, limits.connectionsPerAddress));
    int answered = 0;
    for (const int fd : open) {
        const std::string get = "GET / HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
        send(fd, get.data(), get.size(), MSG_NOSIGNAL);
        char buffer[16] = {};
        if (recv(fd, buffer, sizeof buffer - 1, 0) > 0 &&
            std::string(buffer).rfind("HTTP/1.1 200", 0) == 0)
            ++answered;
    }
    for (const int fd : open) close(fd);
    EXPECT_EQ(answered, limits.connectionsPerAddress);
    EXPECT_EQ(request(threaded.port(), "GET", "/", "", "127.0.0.8").status, 200);

    // A connection is kept open for the client's next request.
    const int fd = servertest::connectFrom(threaded.port(), "127.0.0.9");
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 3; ++i) {
        const std::string get = "GET /hiscores?game=Tintaro HTTP/1.1\r\nHost: localhost\r\n\r\n";
        ASSERT_EQ(send(fd, get.data(), get.size(), MSG_NOSIGNAL), static_cast<ssize_t>(get.size()));
        std::string raw;
        char buffer[4096];
        std::size_t length = std::string::npos;
        std::size_t end = std::string::npos;
        while (end == std::string::npos || raw.size() < end + 4 + length) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            ASSERT_GT(n, 0) << "answer " << i << " not received";
            raw.append(buffer, static_cast<std::size_t>(n));
            end = raw.find("\r\n\r\n");
            const std::size_t header = raw.find("Content-Length: ");
            if (end != std::string::npos && header != std::string::npos && header < end)
                length = std::stoul(raw.substr(header + 16));
            else if (end != std::string::npos)
                length = 0;
        }
        EXPECT_EQ(raw.rfind("HTTP/1.1 200", 0), 0u) << i;
        EXPECT_EQ(raw.find("Connection: close"), std::string::npos) << i;
    }
    close(fd);
}

}  // namespace
