// The score server against hostile clients, over real sockets: names made of SQL and markup,
// broken escapes, fields and requests past every cap, impossible scores and moves, a flood
// from one address and slow clients holding connections. Each is refused (or cut off) without
// storing anything, and the server goes on answering everyone else.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "scoreserver/http_server.h"
#include "scoreserver/move_text.h"
#include "scoreserver/upload_query.h"
#include "tests/scoreserver/http_client.h"
#include "tests/scoreserver/store_support.h"
#include "tests/scoreserver/upload_support.h"

using namespace scoreserver;
using servertest::encode;
using servertest::masked;
using servertest::query;
using servertest::Reply;

namespace {

constexpr const char* kUpload = "/cgi-bin/hiscore.cgi?";

class HostileTest : public ::testing::TestWithParam<servertest::StoreKind> {
protected:
    void SetUp() override { ASSERT_TRUE(server.start("127.0.0.1", 0)); }
    std::uint16_t port() const { return server.port(); }
    Reply send(const std::string& method, const std::string& target, const std::string& body = "",
               const std::string& from = "127.0.0.1") {
        return servertest::request(port(), method, target, body, from);
    }
    // The preview, then its Publish button pressed.
    Reply upload(const std::string& q) {
        const Reply page = send("GET", kUpload + q);
        if (page.status != 200) return page;
        const servertest::Form form = servertest::formOf(page);
        return send("POST", form.action, "token=" + form.token);
    }
    // The server still serves a page and a preview to a well-behaved client.
    void expectStillServing(const std::string& from = "127.0.0.1") {
        EXPECT_EQ(send("GET", "/", "", from).status, 200) << from;
        EXPECT_EQ(send("GET", kUpload + query("Tintaro", "Ok", 321), "", from).status, 200) << from;
    }

    servertest::ScratchStore scratch{GetParam()};
    std::unique_ptr<ScoreStore> owned = scratch.open();
    ScoreStore& store = *owned;
    std::int64_t clock = 86400 * 365;
    // Rates no test here reaches, but for the one that floods.
    HttpServer server{store, [this] { return clock; }, ServerLimits{1000000, 1000000}};
};

INSTANTIATE_TEST_SUITE_P(Stores, HostileTest,
                         ::testing::Values(servertest::StoreKind::SQLite,
                                           servertest::StoreKind::PostgreSQL),
                         servertest::storeName);

TEST_P(HostileTest, SqlAndMarkupInNamesAreKeptAndShownAsText) {
    struct Case {
        std::string entry;  // as the menu sends it: name:address:email:send
        std::string html;   // the name as the table page must show it
        std::string json;   // and as the API must give it
    };
    const std::vector<Case> cases = {
        {"'); DROP TABLE scores;--:1' OR '1'='1:x@y:Y", "&#39;); DROP TABLE scores;--",
         "'); DROP TABLE scores;--"},
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;",
         "\\u003cscript\\u003ealert(1)\\u003c/script\\u003e"},
        {"\"><img src=x onerror=alert(1)>:'; DELETE FROM contacts;--:e:Y",
         "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;",
         "\\\"\\u003e\\u003cimg src=x onerror=alert(1)\\u003e"},
        {"Robert\\'); --&amp;", "Robert\\&#39;); --&amp;amp;", "Robert\\\\'); --\\u0026amp;"},
        // A NUL and other control bytes are dropped, not kept inside the name.
        {std::string("Ad\0a\x01\x7f", 6), "Ada", "Ada"},
    };
    int score = 1000;
    for (const Case& c : cases) {
        const Reply published = upload(query("Tintaro", c.entry, ++score));
        EXPECT_EQ(published.status, 200) << c.entry << "\n" << published.body;
        EXPECT_NE(published.body.find(c.html), std::string::npos) << c.entry;
    }
    // Every name a row, the statements never run: both tables are there and whole.
    EXPECT_EQ(store.count("Tintaro"), static_cast<std::int64_t>(cases.size()));
    EXPECT_EQ(store.contactCount(), 2);
    const Reply table = send("GET", "/hiscores?game=Tintaro");
    const Reply api = send("GET", "/api/games/Tintaro/scores");
    ASSERT_EQ(table.status, 200);
    ASSERT_EQ(api.status, 200);
    for (const Case& c : cases) {
        EXPECT_NE(table.body.find("<td>" + c.html + "</td>"), std::string::npos) << c.html;
        EXPECT_NE(api.body.find("\"name\":\"" + c.json + "\""), std::string::npos) << c.json;
    }
    for (const char* raw : {"<script", "<img src=x"})
        EXPECT_EQ(table.body.find(raw), std::string::npos) << raw;
    EXPECT_EQ(table.body.find('\0'), std::string::npos);
    EXPECT_EQ(api.body.find('<'), std::string::npos);
    expectStillServing();
}

TEST_P(HostileTest, BrokenAndImpossibleUploadsAreRefusedAndStoreNothing) {
    const servertest::PlayedGame solved = servertest::solvedGame();
    const servertest::PlayedGame shortGame = servertest::shortGame();
    const std::string ok = "game=Tintaro&name=Ada";
    const std::string score = "&score=" + masked(500);
    const std::vector<std::string> refused = {
        // Shapes the menu never sends: empty pairs, a pair without '=', unknown, repeated and
        // missing fields.
        ok + score + "&",
        ok + "&" + score,
        "game=Tintaro&name" + score,
        ok + score + "&x=1",
        ok + score + "&name=Bo",
        "name=Ada" + score,
        ok,
        "game=Tintaro" + score,
        // Broken escapes, in every field and in a key.
        ok + "%" + score,
        ok + "%4" + score,
        ok + "%zz" + score,
        ok + "%4g" + score,
        "game=Tin%zztaro&name=Ada" + score,
        ok + "&score=%",
        ok + "&score=" + masked(500) + "%",
        ok + score + "&moves=01%2",
        ok + score + "&%zz=1",
        // A NUL where only text, digits or moves belong, and a name of control bytes only.
        "game=Tin%00taro&name=Ada" + score,
        "game=Tintaro&name=%00%01%7F%9F" + score,
        ok + "&score=%00",
        ok + score + "&moves=%00",
        ok + "&score=5%00",
        // Past the caps: the whole query, the entry, the public name, the game's name.
        ok + std::string(kMaxQueryBytes, 'a') + score,
        "game=Tintaro&name=" + std::string(kMaxEntryBytes + 1, 'a') + score,
        "game=Tintaro&name=" + std::string(kMaxNameBytes + 1, 'a') + ":x:y:Y" + score,
        "game=" + std::string(kMaxGameBytes + 1, 'T') + "&name=Ada" + score,
        // Scores: not above zero once unmasked, past int32, or not plain decimal.
        ok + "&score=" + masked(0),
        ok + "&score=" + masked(-5),
        ok + "&score=" + masked(INT32_MIN),
        ok + "&score=2147483648",
        ok + "&score=-2147483649",
        ok + "&score=99999999999999999999",
        ok + "&score=",
        ok + "&score=12a",
        ok + "&score=%2B5",
        ok + "&score=+5",
        ok + "&score=0x10",
        ok + "&score=1e3",
        ok + "&score=-0",
        ok + "&score=063161284",
        ok + "&score=%2063161284",
        // Moves: past the cap, empty, digits outside 0 ... 5, given twice.
        ok + score + "&moves=" + std::string(kMaxMoves + 1, '0'),
        ok + score + "&moves=",
        ok + score + "&moves=0126",
        ok + score + "&moves=01a",
        ok + score + "&moves=-1",
        ok + score + "&moves=01%205",
        ok + score + "&moves=%36",
        ok + score + "&moves=0&moves=1",
        // Moves that do not earn the score claimed, and a score claimed for moves that earn
        // another.
        query("Tintaro", "Ada", solved.score + 1, solved.moves),
        query("Tintaro", "Ada", solved.score - 1, solved.moves),
        query("Tintaro", "Ada", solved.score, shortGame.moves),
        query("Tintaro", "Ada", solved.score, solved.moves + "0"),
        query("Tintaro", "Ada", 9999999, shortGame.moves),
    };
    // A good token, issued for a good upload, must not carry any of them either.
    const std::string good = query("Tintaro", "Bo:1 Road:bo@example.org:Y", 4321);
    const servertest::Form held = servertest::formOf(send("GET", kUpload + good));
    ASSERT_FALSE(held.token.empty());
    for (const std::string& q : refused) {
        const std::string label = q.substr(0, 120);
        const Reply preview = send("GET", kUpload + q);
        EXPECT_EQ(preview.status, 400) << label << "\n" << preview.body;
        EXPECT_EQ(preview.body.find("<form"), std::string::npos) << label;
        EXPECT_EQ(send("POST", kUpload + q, "token=" + held.token).status, 400) << label;
    }
    EXPECT_EQ(store.count("Tintaro"), 0);
    EXPECT_EQ(store.games().size(), 0u);
    EXPECT_EQ(store.contactCount(), 0);
    // The refusals spent nothing: the token still publishes the upload it was issued for.
    EXPECT_EQ(send("POST", held.action, "token=" + held.token).status, 200);
    EXPECT_EQ(store.count("Tintaro"), 1);
    EXPECT_EQ(store.contactCount(), 1);
    expectStillServing();
}

// Requests no browser sends: larger than a connection may hold, bodies past their cap,
// malformed lines. Each is answered with its 4xx or cut off, never served.
TEST_P(HostileTest, OverlongAndMalformedRequestsAreCutOff) {
    const std::string head = "Host: localhost\r\nConnection: close\r\n";
    const std::string good = kUpload + query("Tintaro", "Ada", 700);
    // The bodies carry a good token: cut off, they must not publish with it.
    const servertest::Form held = servertest::formOf(send("GET", good));
    ASSERT_FALSE(held.token.empty());
    const std::string token = "token=" + held.token + "&pad=";
    std::string manyHeaders;
    for (int i = 0; i < 2000; ++i)
        manyHeaders += "X-" + std::to_string(i) + ": " + std::string(40, 'h') + "\r\n";
    struct Case {
        const char* label;
        std::string bytes;
        int status;  // 0: the connection is closed without an answer
    };
    const std::vector<Case> cases = {
        // Past the query's cap but inside the connection's memory: the upload's own refusal.
        {"long query",
         "GET " + good + "&x=" + std::string(kMaxQueryBytes, 'a') + " HTTP/1.1\r\n" + head + "\r\n",
         400},
        // Past the connection's memory: the request line, one header field, many of them.
        {"request line past 64 KB",
         "GET " + good + "&moves=" + std::string(70000, '0') + " HTTP/1.1\r\n" + head + "\r\n",
         414},
        {"header past 64 KB",
         "GET " + good + " HTTP/1.1\r\n" + head + "X-Pad: " + std::string(70000, 'p') + "\r\n\r\n",
         431},
        {"headers past 64 KB", "GET " + good + " HTTP/1.1\r\n" + head + manyHeaders + "\r\n", 431},
        // Bodies: announced past the cap, an absurd length, or longer than announced in chunks.
        {"long body",
         "POST " + good + " HTTP/1.1\r\n" + head + "Content-Length: 5000\r\n\r\n" + token +
             std::string(5000 - token.size(), 't'),
         413},
        {"huge length",
         "POST " + good + " HTTP/1.1\r\n" + head + "Content-Length: 99999999999999999999\r\n\r\n" +
             token,
         413},
        {"chunked past the cap",
         "POST " + good + " HTTP/1.1\r\n" + head + "Transfer-Encoding: chunked\r\n\r\n800\r\n" +
             token + std::string(2048 - token.size(), 't') + "\r\n0\r\n\r\n",
         0},
        // Malformed request lines.
        {"no version", "GET " + good + "\r\n" + head + "\r\n", 400},
        {"bad version", "GET " + good + " HTTP/9.9\r\n" + head + "\r\n", 505},
        // A raw NUL ends the address where the upload's fields have not all come yet.
        {"NUL in the query",
         "GET " + std::string(kUpload) + "game=Tintaro&name=Ada" + std::string(1, '\0') +
             "&score=" + masked(700) + " HTTP/1.1\r\n" + head + "\r\n",
         400},
    };
    for (const Case& c : cases) {
        const Reply reply = servertest::exchange(port(), c.bytes);
        EXPECT_EQ(reply.status, c.status) << c.label << "\n" << reply.headers;
        expectStillServing();
    }
    EXPECT_EQ(store.count("Tintaro"), 0);
    // A body within the cap publishes with the same token.
    EXPECT_EQ(send("POST", held.action, token + "x").status, 200);
    EXPECT_EQ(store.count("Tintaro"), 1);
}

TEST_P(HostileTest, AFloodFromOneAddressIsHeldBackWhileOthersAreServed) {
    HttpServer limited{store, [this] { return clock; }};
    ASSERT_TRUE(limited.start("127.0.0.1", 0));
    const ServerLimits limits;
    // Four clients of one address at once, good and refused uploads alike: the refused ones
    // spend the rate too, so only a burst's worth is answered at all.
    const std::vector<std::string> targets = {kUpload + query("Tintaro", "Ada", 700),
                                              kUpload + std::string("game=Tintaro&name=%zz"),
                                              kUpload + query("Tintaro", "Bo", -3)};
    std::atomic<int> answered{0}, held{0}, other{0}, withRetry{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 4; ++t)
        clients.emplace_back([&, t] {
            for (int i = 0; i < limits.uploadsPerMinute; ++i) {
                const Reply r = servertest::request(
                    limited.port(), "GET", targets[(t + i) % targets.size()], "", "127.0.0.2");
                if (r.status == 429) {
                    ++held;
                    withRetry += r.headers.find("\r\nRetry-After: ") != std::string::npos;
                } else if (r.status == 200 || r.status == 400) {
                    ++answered;
                } else {
                    ++other;
                }
            }
        });
    // Another address uploads and publishes meanwhile.
    const Reply page = servertest::request(limited.port(), "GET", targets[0], "", "127.0.0.3");
    ASSERT_EQ(page.status, 200);
    const servertest::Form form = servertest::formOf(page);
    const Reply published = servertest::request(limited.port(), "POST", form.action,
                                                "token=" + form.token, "127.0.0.3");
    for (std::thread& c : clients) c.join();
    EXPECT_EQ(published.status, 200);
    EXPECT_EQ(answered.load(), limits.uploadsPerMinute);
    EXPECT_EQ(held.load(), 3 * limits.uploadsPerMinute);
    EXPECT_EQ(withRetry.load(), held.load());
    EXPECT_EQ(other.load(), 0);
    EXPECT_EQ(store.count("Tintaro"), 1);
    // The flooding address still has its pages; others their uploads.
    EXPECT_EQ(servertest::request(limited.port(), "GET", "/", "", "127.0.0.2").status, 200);
    EXPECT_EQ(servertest::request(limited.port(), "GET", targets[0], "", "127.0.0.2").status, 429);
    EXPECT_EQ(servertest::request(limited.port(), "GET", targets[0], "", "127.0.0.4").status, 200);
}

// Clients of several addresses open as many connections as the server allows each address
// and trickle their requests a byte at a time, or stop half way. While they hold them, a
// client of another address is answered; the slow ones that finish are answered too.
TEST_P(HostileTest, SlowClientsHoldingConnectionsDoNotHoldUpOthers) {
    constexpr int kAddresses = 6;
    constexpr int kPerAddress = 8;  // what the server takes from one address
    const std::string whole = servertest::requestText("GET", "/api/games");
    struct Holder {
        int fd = -1;
        bool finishes = false;  // sends all of its request in the end
        std::size_t sent = 0;
        bool cut = false;  // the server closed it: a failure, not a reason to wait for ever
    };
    std::vector<Holder> holders;
    for (int a = 0; a < kAddresses; ++a)
        for (int i = 0; i < kPerAddress; ++i) {
            Holder h;
            h.fd = servertest::connectFrom(port(), "127.0.0." + std::to_string(10 + a));
            h.finishes = i % 2 == 0;
            ASSERT_GE(h.fd, 0);
            holders.push_back(h);
        }
    // All of them taken in before one more comes, or which of an address's nine is refused
    // would be a race between the server's threads.
    ASSERT_TRUE(servertest::waitForOpenConnections(server, kAddresses * kPerAddress));
    std::atomic<bool> served{false};
    // One thread trickles every holder's request a byte a round: all but the last byte for
    // the ones that finish, a part of the request line for the others. It ends once they are
    // all that far and the well-behaved client has been served; until then each holds its
    // connection in the middle of a request.
    std::thread trickle([&] {
        for (bool more = true; more || !served;) {
            more = false;
            for (Holder& h : holders) {
                const std::size_t until = h.finishes ? whole.size() - 1 : 8;
                if (h.cut || h.sent >= until) continue;
                if (::send(h.fd, &whole[h.sent], 1, MSG_NOSIGNAL) == 1)
                    ++h.sent;
                else
                    h.cut = true;
                more |= h.sent < until && !h.cut;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    // Every address is at its limit: one more connection from it is closed unanswered.
    const Reply over = servertest::request(port(), "GET", "/", "", "127.0.0.10");
    EXPECT_EQ(over.status, 0);
    // The well-behaved client, while every holder is still in the middle of its request.
    const Reply page = send("GET", "/", "", "127.0.0.2");
    const Reply upload = send("GET", kUpload + query("Tintaro", "Ada", 700), "", "127.0.0.2");
    const servertest::Form form = servertest::formOf(upload);
    const Reply published = send("POST", form.action, "token=" + form.token, "127.0.0.2");
    served = true;
    trickle.join();
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(upload.status, 200);
    EXPECT_EQ(published.status, 200);
    EXPECT_EQ(store.count("Tintaro"), 1);
    // The slow ones that finish their request get its answer; the others give up.
    int answered = 0;
    for (Holder& h : holders) {
        if (h.finishes) {
            ASSERT_EQ(::send(h.fd, &whole.back(), 1, MSG_NOSIGNAL), 1);
            const Reply r = servertest::readReply(h.fd);
            answered += r.status == 200 && r.body.find("\"Tintaro\"") != std::string::npos;
        } else {
            close(h.fd);
        }
    }
    EXPECT_EQ(answered, kAddresses * kPerAddress / 2);
    // Their connections are free again: the addresses are served as before.
    for (int a = 0; a < kAddresses; ++a) expectStillServing("127.0.0." + std::to_string(10 + a));
}

// One answer read from a connection that stays open: its status, 0 when it broke off.
int readKeptAnswer(int fd) {
    std::string raw;
    char c = 0;
    while (raw.find("\r\n\r\n") == std::string::npos && recv(fd, &c, 1, 0) == 1) raw += c;
    const std::size_t length = raw.find("Content-Length: ");
    if (raw.rfind("HTTP/1.1 ", 0) != 0 || length == std::string::npos) return 0;
    std::size_t left = std::stoul(raw.substr(length + 16));
    char buffer[4096];
    for (ssize_t n; left > 0 && (n = recv(fd, buffer, std::min(left, sizeof buffer), 0)) > 0;)
        left -= static_cast<std::size_t>(n);
    return left == 0 ? std::stoi(raw.substr(9, 3)) : 0;
}

// A byte now and then keeps a connection moving past libmicrohttpd's idle timeout: each
// request has a time of its own, after which the connection is cut unanswered, while a
// client that asks one request after another on one connection has the time anew for each.
TEST_P(HostileTest, ARequestTricklingPastItsTimeIsCutOff) {
    HttpServer strict{store, [this] { return clock; },
                      ServerLimits{1000000, 1000000, 2, 256, 8, /*requestSeconds=*/1}};
    ASSERT_TRUE(strict.start("127.0.0.1", 0));
    const std::string whole = servertest::requestText("GET", "/api/games");
    const int slow = servertest::connectFrom(strict.port(), "127.0.0.2", 5);
    const int steady = servertest::connectFrom(strict.port(), "127.0.0.3", 5);
    ASSERT_GE(slow, 0);
    ASSERT_GE(steady, 0);
    // For 2.4 s: the slow client sends a byte every 100 ms, never the whole request; the
    // steady one asks for a page every 300 ms on its kept connection.
    std::size_t sent = 0;
    bool slowCut = false;
    int steadyAnswers = 0;
    const std::string keepAlive = servertest::requestText("GET", "/");
    for (int tick = 0; tick < 24; ++tick) {
        if (!slowCut && sent + 1 < whole.size()) {
            slowCut = ::send(slow, &whole[sent], 1, MSG_NOSIGNAL) != 1;
            if (!slowCut) ++sent;
        }
        if (tick % 3 == 0) {
            std::string ask = keepAlive;
            const std::size_t close = ask.find("Connection: close\r\n");
            if (close != std::string::npos) ask.erase(close, 19);
            if (::send(steady, ask.data(), ask.size(), MSG_NOSIGNAL) ==
                static_cast<ssize_t>(ask.size()))
                steadyAnswers += readKeptAnswer(steady) == 200;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // The slow connection was ended by the server without an answer.
    const Reply late = servertest::readReply(slow);
    EXPECT_EQ(late.status, 0);
    EXPECT_LT(sent, whole.size() - 1);
    EXPECT_EQ(strict.connectionsCut(), 1);
    EXPECT_EQ(steadyAnswers, 8);
    close(steady);
    EXPECT_EQ(servertest::request(strict.port(), "GET", "/", "", "127.0.0.2").status, 200);
}

}  // namespace
