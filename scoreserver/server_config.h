// The score server's settings: a configuration file of `key = value` lines, then the
// command line's options over it.
//   scoreserver [--config FILE] [--listen ADDRESS:PORT] [--database FILE-or-URL]
// The file: one `key = value` a line; lines whose first non-blank character is '#' and blank
// lines are skipped. Keys: listen, database, uploads_per_minute, pages_per_minute, threads,
// connections, connections_per_address, request_seconds; each at most once.
#pragma once

#include <string>
#include <vector>

namespace scoreserver {

// The threads for a database when the configuration names none: one a core, at least 2,
// for an SQLite file; four times that for a postgresql:// address, whose threads each wait for
// the database's answers over a connection.
int defaultThreads(const std::string& database);

struct ServerConfig {
    std::string listen = "127.0.0.1:8080";  // an IPv4 address and a port
    std::string database;                   // a SQLite file, or a database's URL
    int uploadsPerMinute = 30;              // per client address, the burst as large
    int pagesPerMinute = 600;
    int threads = 0;  // the HTTP side's thread pool; 0 until configure() picks the default
    int connections = 256;
    int connectionsPerAddress = 8;
    int requestSeconds = 30;  // the time each request may take, sending and reading included
};

// Reads `text`, the contents of the file `name`, over `config`. False on an unknown key, a key
// given twice, a line without '=' or a bad value, with "NAME:LINE: why" in `error`.
bool readConfigText(const std::string& text, const std::string& name, ServerConfig& config,
                    std::string& error);

// The program's arguments (without the program's name) over the defaults: the file named by
// --config first, then --listen and --database. False with why in `error` when an option is
// unknown or lacks its value, the file cannot be read or is refused, or no database is named.
bool configure(const std::vector<std::string>& arguments, ServerConfig& config, std::string& error);

}  // namespace scoreserver
