// The whole way of a score: Tintaro played headless into its hall of fame, the menu's Upload
// button pressed in a staged menu folder whose setup.ini names a real score server program,
// and the address it opens fetched, published and read back from the server's pages and API.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "games/tintaro/wheel_game.h"
#include "tests/scoreserver/http_client.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tintaro_arms.h"
#include "tests/tintaro/solver.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using servertest::Reply;

const std::string kStage = STUDIO_STAGE_DIR;
const std::string kServer = STUDIO_SCORESERVER;

using testsupport::readFile;

// The score server program on 127.0.0.1 with its database in `folder`, stopped with SIGTERM
// when the object goes.
class ServerProgram {
public:
    explicit ServerProgram(const fs::path& folder) {
        // The program wants a fixed port: take one the system calls free, and try another
        // when something else took it before the program could.
        for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
            const std::uint16_t port = freePort();
            if (port == 0) continue;
            const std::string listen = "127.0.0.1:" + std::to_string(port);
            const std::string database = (folder / "scores.db").string();
            const std::string log = (folder / "server.log").string();
            std::vector<std::string> args = {kServer, "--listen", listen, "--database", database};
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 2, log.c_str(),
                                             O_WRONLY | O_CREAT | O_APPEND, 0644);
            pid_t pid = 0;
            const int spawned =
                posix_spawn(&pid, kServer.c_str(), &actions, nullptr, argv.data(), environ);
            posix_spawn_file_actions_destroy(&actions);
            if (spawned != 0) return;
            if (answers(pid, port, log)) {
                pid_ = pid;
                port_ = port;
            } else {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    }
    ~ServerProgram() { stop(); }
    ServerProgram(const ServerProgram&) = delete;
    ServerProgram& operator=(const ServerProgram&) = delete;

    // Sends SIGTERM and waits: the program's exit status, -1 when it was not running.
    int stop() {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::uint16_t port() const { return port_; }
    std::string site() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    static std::uint16_t freePort() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        socklen_t size = sizeof address;
        std::uint16_t port = 0;
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port = ntohs(address.sin_port);
        close(fd);
        return port;
    }
    // True once the program says it listens on the port and answers there (not another
    // server that took the port first); false when it ends first or takes too long.
    static bool answers(pid_t pid, std::uint16_t port, const std::string& log) {
        const std::string listening = "listening on 127.0.0.1:" + std::to_string(port) + "\n";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) return false;
            if (readFile(log).find(listening) != std::string::npos &&
                servertest::get(port, "/").status == 200)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
};

// An installed menu folder of its own with Tintaro's folder in it, its setup.ini naming
// `site` as the publisher's web site and, when given, options.ini as the menu saves it.
fs::path stageMenu(const testsupport::TempDir& dir, const std::string& site,
                   const std::string& options) {
    const fs::path menu = dir.path() / "menu";
    fs::create_directories(menu / "Tintaro");
    for (const auto& e : fs::directory_iterator(kStage)) {
        const std::string ext = e.path().extension().string();
        if (e.is_regular_file() && (ext == ".bmp" || ext == ".ini"))
            fs::copy_file(e.path(), menu / e.path().filename());
    }
    testsupport::copyGameFolder(testsupport::kStagedTintaro, (menu / "Tintaro").string());
    std::string setup = readFile(menu / "setup.ini");
    const std::size_t at = setup.find("website=");
    if (at == std::string::npos) return {};
    setup.replace(at, setup.find_first_of("\r\n", at) - at, "website=" + site);
    std::ofstream(menu / "setup.ini", std::ios::binary) << setup;
    if (!options.empty()) std::ofstream(menu / "options.ini", std::ios::binary) << options;
    return menu;
}

// A click that turns `arm`'s ring in the staged game.
std::string clickOn(const testsupport::ArmPlace& arm) {
    int x = 0, y = 0;
    if (!testsupport::armPoint(testsupport::kStagedTintaro, arm, false, x, y)) return {};
    return "click " + std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
}

struct Played {
    std::string moves;  // the digits the menu sends
    int score = 0;      // what the game's rules give
};

// Plays the arms in Tintaro's folder of `menu` and leaves through Exit; the score the rules
// give for them, 0 when the game did not run.
Played playTintaro(const fs::path& menu, const std::vector<int>& arms) {
    WheelGame rules;
    std::memcpy(rules.cells, tintaro::startLayout, tintaro::kCells);
    Played played;
    std::string script = "wait 5\n";
    for (const int i : arms) {
        const testsupport::ArmPlace& arm = testsupport::kArms[i];
        script += clickOn(arm);
        rules.rotateRing(arm.ring, arm.direction);
        rules.evaluateBoard(0);
        played.moves += static_cast<char>('0' + 2 * arm.ring + arm.direction);
    }
    const fs::path game = menu / "Tintaro";
    const auto run = testsupport::runHeadless(kStage + "/Tintaro/Tintaro-headless", game.string(),
                                              script + testsupport::kExit, {}, game.string());
    if (run.exitStatus == 0 && fs::exists(game / "hiscore.moves")) played.score = rules.getScore();
    return played;
}

// The menu: Tintaro's slot, High Scores, Upload, then Esc. The addresses it opened.
std::vector<std::string> pressUpload(const fs::path& menu) {
    auto click = [](int x, int y) {
        const std::string at = std::to_string(x) + " " + std::to_string(y);
        return "move " + at + "\nwait 2\nclick " + at + "\nwait 4\n";
    };
    const auto run = testsupport::runHeadless(
        kStage + "/Gatefold-headless", menu.string(),
        "wait 5\n" + click(74, 180) + click(108, 390) + click(615, 116) + "key 1\nwait 10\n", {},
        (menu / "..").string());
    std::vector<std::string> opened;
    if (run.exitStatus != 0) return opened;
    // "launch <tab> open <tab> address <tab> <tab>"
    for (const auto& line : run.transcript)
        if (line.rfind("launch\topen\t", 0) == 0)
            opened.push_back(line.substr(12, line.find('\t', 12) - 12));
    return opened;
}

// The row of a table page that shows `name` (HTML-escaped), empty when there is none.
std::string rowOf(const std::string& page, const std::string& name) {
    const std::size_t cell = page.find("<td>" + name + "</td>");
    if (cell == std::string::npos) return {};
    const std::size_t start = page.rfind("<tr", cell);
    const std::size_t end = page.find("</tr>", cell);
    return page.substr(start, end - start);
}

// The JSON of the scores API for Tintaro.
std::string apiScores(std::uint16_t port) {
    return servertest::get(port, "/api/games/Tintaro/scores").body;
}

std::string withScore(const std::string& query, int score) {
    const std::size_t at = query.find("score=") + 6;
    return query.substr(0, at) + std::to_string(score ^ 0x3C3C3C3) +
           query.substr(query.find('&', at));
}

TEST(ScoreUpload, AGamesScoreTravelsFromTheMenuToTheServersTablesAndForgeriesDoNot) {
    testsupport::TempDir dir;
    ServerProgram server(dir.path());
    ASSERT_NE(server.port(), 0) << readFile(dir.path() / "server.log");
    const fs::path menu = stageMenu(dir, server.site(), "");
    ASSERT_FALSE(menu.empty());

    // Blue top, magenta right, yellow bottom: the codes 0, 5 and 2.
    const Played game = playTintaro(menu, {0, 3, 5});
    ASSERT_GT(game.score, 0);
    const std::vector<std::string> opened = pressUpload(menu);
    ASSERT_EQ(opened.size(), 1u);
    const std::string prefix = server.site() + "/cgi-bin/hiscore.cgi?";
    ASSERT_EQ(opened[0].rfind(prefix, 0), 0u) << opened[0];
    const std::string target = opened[0].substr(server.site().size());
    EXPECT_NE(target.find("&moves=" + game.moves), std::string::npos) << target;

    // The browser: the preview, then its Publish button.
    const Reply preview = servertest::get(server.port(), target);
    ASSERT_EQ(preview.status, 200) << preview.body;
    EXPECT_NE(preview.body.find("yes, by replaying its moves"), std::string::npos);
    const servertest::Form form = servertest::formOf(preview);
    ASSERT_FALSE(form.action.empty() || form.token.empty()) << preview.body;
    const Reply published =
        servertest::request(server.port(), "POST", form.action, "token=" + form.token);
    ASSERT_EQ(published.status, 200) << published.body;
    EXPECT_NE(published.body.find("at rank 1."), std::string::npos) << published.body;
    const std::string publishedRow = rowOf(published.body, "Player1");
    EXPECT_NE(publishedRow.find("<td>" + std::to_string(game.score) + "</td>"), std::string::npos)
        << published.body;
    EXPECT_NE(publishedRow.find("replayed"), std::string::npos);

    const Reply table = servertest::get(server.port(), "/hiscores?game=Tintaro");
    ASSERT_EQ(table.status, 200);
    const std::string row = rowOf(table.body, "Player1");
    EXPECT_NE(row.find("<td>1</td>"), std::string::npos) << table.body;
    EXPECT_NE(row.find("<td>" + std::to_string(game.score) + "</td>"), std::string::npos);
    EXPECT_NE(row.find("replayed"), std::string::npos);
    const std::string stored = "\"total\":1,";
    const std::string scores = apiScores(server.port());
    EXPECT_NE(scores.find(stored), std::string::npos) << scores;
    EXPECT_NE(scores.find(
                  "{\"rank\":1,\"name\":\"Player1\",\"score\":" + std::to_string(game.score) + ","),
              std::string::npos)
        << scores;
    EXPECT_NE(scores.find("\"verified\":true}"), std::string::npos);

    // The same moves claiming more: refused at the preview and at the Publish button, even
    // with a token the server handed out, and nothing more is stored.
    const std::string forged = withScore(target, game.score + 1);
    const Reply forgedPreview = servertest::get(server.port(), forged);
    EXPECT_EQ(forgedPreview.status, 400) << forgedPreview.body;
    EXPECT_EQ(forgedPreview.body.find("<form"), std::string::npos);
    const servertest::Form fresh = servertest::formOf(servertest::get(server.port(), target));
    ASSERT_FALSE(fresh.token.empty());
    EXPECT_EQ(servertest::request(server.port(), "POST", forged, "token=" + fresh.token).status,
              400);
    EXPECT_EQ(servertest::request(server.port(), "POST", withScore(target, 9999999),
                                  "token=" + fresh.token)
                  .status,
              400);
    EXPECT_EQ(apiScores(server.port()), scores);
    // SIGTERM ends the program cleanly.
    EXPECT_EQ(server.stop(), 0) << readFile(dir.path() / "server.log");
}

TEST(ScoreUpload, ANameThatLooksLikeAQueryArrivesAsTheNameWithTheGamesOwnScore) {
    testsupport::TempDir dir;
    ServerProgram server(dir.path());
    ASSERT_NE(server.port(), 0) << readFile(dir.path() / "server.log");
    // The player as the menu's players page saves them.
    const fs::path menu = stageMenu(dir, server.site(),
                                    "[setup]\r\nplayerid=0\r\nmusic=N\r\n[Player1]\r\n"
                                    "name=x&score=9999999\r\naddress=\r\nemail=\r\nsend=Y\r\n");
    ASSERT_FALSE(menu.empty());
    const Played game = playTintaro(menu, {0, 3, 5});
    ASSERT_GT(game.score, 0);
    ASSERT_NE(game.score, 9999999);
    const std::vector<std::string> opened = pressUpload(menu);
    ASSERT_EQ(opened.size(), 1u);
    const std::string target = opened[0].substr(server.site().size());
    EXPECT_NE(target.find("name=x%26score%3D9999999"), std::string::npos) << target;

    const servertest::Form form = servertest::formOf(servertest::get(server.port(), target));
    ASSERT_FALSE(form.token.empty()) << target;
    const Reply published =
        servertest::request(server.port(), "POST", form.action, "token=" + form.token);
    ASSERT_EQ(published.status, 200) << published.body;
    const std::string scores = apiScores(server.port());
    EXPECT_NE(scores.find("\"total\":1,"), std::string::npos) << scores;
    EXPECT_NE(scores.find("{\"rank\":1,\"name\":\"x\\u0026score=9999999\",\"score\":" +
                          std::to_string(game.score) + ","),
              std::string::npos)
        << scores;
    EXPECT_NE(scores.find("\"verified\":true}"), std::string::npos);
    const std::string row =
        rowOf(servertest::get(server.port(), "/hiscores?game=Tintaro").body, "x&amp;score=9999999");
    EXPECT_NE(row.find("<td>" + std::to_string(game.score) + "</td>"), std::string::npos) << row;
}

}  // namespace
