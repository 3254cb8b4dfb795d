#include "scoreserver/server_config.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <thread>

namespace scoreserver {

namespace {

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Plain decimal digits from `least` to `most`; nothing otherwise.
std::optional<int> parseNumber(std::string_view text, int least, int most) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < least || value > most) return std::nullopt;
    return static_cast<int>(value);
}

// Empty when `text` is an IPv4 address, ':' and a port from 1 to 65535; else why not.
std::string checkListen(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return "is not ADDRESS:PORT";
    in_addr address{};
    if (inet_pton(AF_INET, text.substr(0, colon).c_str(), &address) != 1)
        return "does not start with an IPv4 address";
    if (!parseNumber(std::string_view(text).substr(colon + 1), 1, 65535))
        return "does not end with a port from 1 to 65535";
    return {};
}

}  // namespace

int defaultThreads(const std::string& database) {
    // One a core: more threads make larger groups of commits, but with the threads beside one
    // another on the cores the slowest pages take longer. A slow disk wants more, and so does
    // a database over a connection, where a thread mostly waits for the answer.
    const int cores = std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
    const bool remote =
        database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0;
    return remote ? 4 * cores : cores;
}

bool readConfigText(const std::string& text, const std::string& name, ServerConfig& config,
                    std::string& error) {
    struct Number {
        int ServerConfig::*field;
        int least;
        int most;
    };
    const std::pair<std::string_view, Number> numbers[] = {
        {"uploads_per_minute", {&ServerConfig::uploadsPerMinute, 1, 1000000000}},
        {"pages_per_minute", {&ServerConfig::pagesPerMinute, 1, 1000000000}},
        {"threads", {&ServerConfig::threads, 1, 1024}},
        {"connections", {&ServerConfig::connections, 1, 1000000}},
        {"connections_per_address", {&ServerConfig::connectionsPerAddress, 1, 1000000}},
        {"request_seconds", {&ServerConfig::requestSeconds, 1, 3600}},
    };
    std::set<std::string, std::less<>> seen;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const auto fail = [&](const std::string& why) {
            error = name + ":" + std::to_string(number) + ": " + why;
            return false;
        };
        const std::string_view content = trim(line);
        if (content.empty() || content.front() == '#') continue;
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos) return fail("not a `key = value` line");
        const std::string key(trim(content.substr(0, equals)));
        const std::string value(trim(content.substr(equals + 1)));
        if (!seen.insert(key).second) return fail(key + " is given twice");
        if (key == "listen") {
            const std::string why = checkListen(value);
            if (!why.empty()) return fail("listen " + why + ": " + value);
            config.listen = value;
            continue;
        }
        if (key == "database") {
            if (value.empty()) return fail("database is empty");
            config.database = value;
            continue;
        }
        const auto found = std::find_if(std::begin(numbers), std::end(numbers),
                                        [&](const auto& entry) { return entry.first == key; });
        if (found == std::end(numbers)) return fail("unknown key " + key);
        const Number& n = found->second;
        const std::optional<int> parsed = parseNumber(value, n.least, n.most);
        if (!parsed)
            return fail(key + " must be a whole number from " + std::to_string(n.least) + " to " +
                        std::to_string(n.most) + ", not \"" + value + "\"");
        config.*n.field = *parsed;
    }
    return true;
}

bool configure(const std::vector<std::string>& arguments, ServerConfig& config,
               std::string& error) {
    std::optional<std::string> file, listen, database;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& option = arguments[i];
        std::optional<std::string>* target = option == "--config"     ? &file
                                             : option == "--listen"   ? &listen
                                             : option == "--database" ? &database
                                                                      : nullptr;
        if (target == nullptr) {
            error = "unknown option " + option;
            return false;
        }
        if (i + 1 == arguments.size()) {
            error = option + " needs a value";
            return false;
        }
        *target = arguments[i + 1];
    }
    if (file) {
        std::ifstream in(*file, std::ios::binary);
        if (!in) {
            error = *file + ": cannot be read: " + std::strerror(errno);
            return false;
        }
        std::ostringstream text;
        text << in.rdbuf();
        if (in.bad()) {
            error = *file + ": cannot be read";
            return false;
        }
        if (!readConfigText(text.str(), *file, config, error)) return false;
    }
    if (listen) {
        const std::string why = checkListen(*listen);
        if (!why.empty()) {
            error = "--listen " + why + ": " + *listen;
            return false;
        }
        config.listen = *listen;
    }
    if (database) config.database = *database;
    if (config.database.empty()) {
        error = "no database: give --database or database in the configuration file";
        return false;
    }
    if (config.threads == 0) config.threads = defaultThreads(config.database);
    return true;
}

}  // namespace scoreserver
