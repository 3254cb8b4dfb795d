// The HTTP side, over a real socket: uploads taken from the raw address, tables paged and
// every outside text escaped.
#include "scoreserver/http_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "scoreserver/score_pages.h"
#include "scoreserver/sqlite_score_store.h"
#include "scoreserver/upload_support.h"
#include "support/temp_dir.h"

using namespace scoreserver;
using servertest::query;

namespace {

struct Reply {
    int status = 0;
    std::string body;
};

// One GET over a fresh connection; the server closes it after the answer.
Reply get(std::uint16_t port, const std::string& target) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    Reply reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return reply;
    }
    const std::string request =
        "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
    send(fd, request.data(), request.size(), 0);
    std::string raw;
    char buffer[4096];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) raw.append(buffer, n);
    close(fd);
    if (raw.rfind("HTTP/1.1 ", 0) == 0) reply.status = std::stoi(raw.substr(9, 3));
    const std::size_t body = raw.find("\r\n\r\n");
    if (body != std::string::npos) reply.body = raw.substr(body + 4);
    return reply;
}

class HttpServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start("127.0.0.1", 0)); }
    Reply upload(const std::string& q) { return get(server.port(), "/cgi-bin/hiscore.cgi?" + q); }

    testsupport::TempDir dir;
    SqliteScoreStore store{(dir.path() / "scores.db").string()};
    std::int64_t clock = 86400 * 365;
    HttpServer server{store, [this] { return clock; }};
};

TEST_F(HttpServerTest, TakesUploadsFromTheRawAddressAndShowsTheTable) {
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

TEST_F(HttpServerTest, PagesTheTable) {
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
    EXPECT_NE(second.body.find("<td>51</td>"), std::string::npos);
    EXPECT_EQ(second.body.find("Next"), std::string::npos);
}

}  // namespace
