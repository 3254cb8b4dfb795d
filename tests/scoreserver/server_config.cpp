// The server's configuration file and options: what a file sets, what the options override,
// and that every mistake is named with its file and line.
#include "scoreserver/server_config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/temp_dir.h"

using namespace scoreserver;

namespace {

TEST(ServerConfigTest, TheFileSetsEveryKeyAndTheOptionsOverrideIt) {
    testsupport::TempDir dir;
    const std::string file = dir.write("scoreserver.conf",
                                       "# The publisher's score server\n"
                                       "\n"
                                       "listen = 0.0.0.0:8081\r\n"
                                       "   database=/var/lib/scores.db  \n"
                                       "\t# uploads\n"
                                       "uploads_per_minute = 7\n"
                                       "pages_per_minute = 900000\n"
                                       "threads = 6\n"
                                       "connections = 1000\n"
                                       "connections_per_address = 64\n"
                                       "request_seconds = 5\n");
    ServerConfig config;
    std::string error;
    ASSERT_TRUE(configure({"--config", file}, config, error)) << error;
    EXPECT_EQ(config.listen, "0.0.0.0:8081");
    EXPECT_EQ(config.database, "/var/lib/scores.db");
    EXPECT_EQ(config.uploadsPerMinute, 7);
    EXPECT_EQ(config.pagesPerMinute, 900000);
    EXPECT_EQ(config.threads, 6);
    EXPECT_EQ(config.connections, 1000);
    EXPECT_EQ(config.connectionsPerAddress, 64);
    EXPECT_EQ(config.requestSeconds, 5);

    // Options win over the file, wherever they stand; what they do not name stays the file's.
    ServerConfig overridden;
    ASSERT_TRUE(configure({"--listen", "127.0.0.1:9000", "--config", file, "--database", "x.db"},
                          overridden, error))
        << error;
    EXPECT_EQ(overridden.listen, "127.0.0.1:9000");
    EXPECT_EQ(overridden.database, "x.db");
    EXPECT_EQ(overridden.threads, 6);

    // Without a file: the defaults, which need a database named.
    ServerConfig plain;
    ASSERT_TRUE(configure({"--database", "s.db"}, plain, error)) << error;
    EXPECT_EQ(plain.listen, "127.0.0.1:8080");
    EXPECT_EQ(plain.uploadsPerMinute, 30);
    EXPECT_EQ(plain.pagesPerMinute, 600);
    EXPECT_EQ(plain.threads, defaultThreads("s.db"));
    EXPECT_GE(plain.threads, 2);
    ServerConfig remote;
    ASSERT_TRUE(configure({"--database", "postgresql://scores@/scores"}, remote, error)) << error;
    EXPECT_EQ(remote.threads, 4 * plain.threads);
    EXPECT_EQ(plain.connections, 256);
    EXPECT_EQ(plain.connectionsPerAddress, 8);
    ServerConfig none;
    EXPECT_FALSE(configure({}, none, error));
    EXPECT_NE(error.find("database"), std::string::npos) << error;
}

TEST(ServerConfigTest, MistakesAreRefusedWithTheFileLineAndWhy) {
    // Each file's third line is wrong; the two before it are good.
    const std::string good = "# comment\nthreads = 3\n";
    for (const char* bad :
         {"colour = blue", "threads = 0", "threads = 2x", "threads = -4",
          "threads =", "connections = 99999999999", "uploads_per_minute = 1.5",
          "pages_per_minute = ten", "connections_per_address = 0", "listen = 127.0.0.1",
          "listen = localhost:80", "listen = 127.0.0.1:0", "listen = 127.0.0.1:65536",
          "database = ", "threads = 4", "just some words"}) {
        ServerConfig config;
        std::string error;
        EXPECT_FALSE(readConfigText(good + bad + "\n", "my.conf", config, error)) << bad;
        EXPECT_EQ(error.rfind("my.conf:3: ", 0), 0u) << bad << " -> " << error;
        EXPECT_GT(error.size(), std::string("my.conf:3: ").size()) << bad;
    }
    ServerConfig config;
    std::string error;
    EXPECT_FALSE(readConfigText("threads = 3\ncolour = blue\n", "my.conf", config, error));
    EXPECT_NE(error.find("colour"), std::string::npos) << error;

    testsupport::TempDir dir;
    const std::string missing = (dir.path() / "absent.conf").string();
    EXPECT_FALSE(configure({"--config", missing, "--database", "s.db"}, config, error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_FALSE(configure({"--database"}, config, error));
    EXPECT_FALSE(configure({"--port", "80", "--database", "s.db"}, config, error));
    EXPECT_FALSE(configure({"--listen", "127.0.0.1:http", "--database", "s.db"}, config, error));
}

// The configuration the package installs: read as it is, it names the service's database and
// leaves the rest at the program's defaults; with its commented keys switched on, every key it
// shows is one the program takes, at the value the program has by default (threads, which
// depends on the machine, aside).
TEST(ServerConfigTest, ThePackagedFileIsReadAndShowsTheProgramsDefaults) {
    const std::string name = STUDIO_SOURCE_DIR "/packaging/scoreserver.conf";
    std::ifstream in(name, std::ios::binary);
    ASSERT_TRUE(in) << name;
    std::stringstream text;
    text << in.rdbuf();
    const ServerConfig defaults;
    ServerConfig packaged;
    std::string error;
    ASSERT_TRUE(readConfigText(text.str(), name, packaged, error)) << error;
    EXPECT_EQ(packaged.listen, "127.0.0.1:8080");
    EXPECT_EQ(packaged.database, "/var/lib/scoreserver/scores.sqlite");
    EXPECT_EQ(packaged.threads, defaults.threads);

    std::string active;
    std::string line;
    int shown = 0;
    std::istringstream lines(text.str());
    while (std::getline(lines, line)) {
        if (line.size() > 1 && line[0] == '#' && line[1] != ' ' && line.find('=') != line.npos) {
            line.erase(0, 1);
            ++shown;
        }
        active += line + "\n";
    }
    EXPECT_EQ(shown, 6);
    ServerConfig every;
    ASSERT_TRUE(readConfigText(active, name, every, error)) << error;
    EXPECT_EQ(every.uploadsPerMinute, defaults.uploadsPerMinute);
    EXPECT_EQ(every.pagesPerMinute, defaults.pagesPerMinute);
    EXPECT_EQ(every.connections, defaults.connections);
    EXPECT_EQ(every.connectionsPerAddress, defaults.connectionsPerAddress);
    EXPECT_EQ(every.requestSeconds, defaults.requestSeconds);
    EXPECT_EQ(every.uploadsPerMinute, 30);
    EXPECT_EQ(every.pagesPerMinute, 600);
    EXPECT_EQ(every.connections, 256);
    EXPECT_EQ(every.connectionsPerAddress, 8);
}

}  // namespace
