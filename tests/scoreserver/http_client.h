// A plain HTTP/1.1 client for the score server's tests: one request a connection, from any
// loopback address (all of 127.0.0.0/8 is loopback on Linux, so each is another client), and
// the pieces of a preview page that a browser's Publish button sends.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace servertest {

struct Reply {
    int status = 0;  // 0 when the connection closed without an answer
    std::string headers;
    std::string body;
};

// A socket bound to the loopback address `from` and connected to 127.0.0.1:port; -1 when it
// cannot be. Reads on it give up after `timeoutSeconds`, so a server that hangs fails a test
// instead of stopping it.
inline int connectFrom(std::uint16_t port, const std::string& from = "127.0.0.1",
                       int timeoutSeconds = 20) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    timeval timeout{};
    timeout.tv_sec = timeoutSeconds;
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &source.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
        close(fd);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Everything the server sends on the socket until it closes it, split into status, headers
// and body; the socket is closed.
inline Reply readReply(int fd) {
    Reply reply;
    std::string raw;
    char buffer[4096];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) raw.append(buffer, n);
    close(fd);
    if (raw.rfind("HTTP/1.1 ", 0) == 0) reply.status = std::stoi(raw.substr(9, 3));
    const std::size_t end = raw.find("\r\n\r\n");
    if (end != std::string::npos) {
        reply.headers = raw.substr(0, end);
        reply.body = raw.substr(end + 4);
    }
    return reply;
}

// The bytes as they are, over a fresh connection from `from`, and what comes back.
inline Reply exchange(std::uint16_t port, const std::string& bytes,
                      const std::string& from = "127.0.0.1") {
    const int fd = connectFrom(port, from);
    if (fd < 0) return {};
    // MSG_NOSIGNAL: a server that closes early must not end the test with SIGPIPE.
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    return readReply(fd);
}

// The text of one request; a POST carries `body` as a form.
inline std::string requestText(const std::string& method, const std::string& target,
                               const std::string& body = "") {
    std::string text =
        method + " " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n";
    if (method == "POST")
        text += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                std::to_string(body.size()) + "\r\n";
    return text + "\r\n" + body;
}

// One request over a fresh connection from the loopback address `from`; the server closes it
// after the answer.
inline Reply request(std::uint16_t port, const std::string& method, const std::string& target,
                     const std::string& body = "", const std::string& from = "127.0.0.1") {
    return exchange(port, requestText(method, target, body), from);
}

inline Reply get(std::uint16_t port, const std::string& target) {
    return request(port, "GET", target);
}

// The text between `before` and the next '"' in the page, with &amp; undone; empty when
// the page has no such text.
inline std::string attribute(const std::string& page, const std::string& before) {
    const std::size_t start = page.find(before);
    if (start == std::string::npos) return {};
    const std::size_t from = start + before.size();
    std::string value = page.substr(from, page.find('"', from) - from);
    for (std::size_t at; (at = value.find("&amp;")) != std::string::npos;)
        value.replace(at, 5, "&");
    return value;
}

// Waits up to ten seconds until the server holds `count` connections: connect() returns once
// the system has queued a connection, before the server has taken it in or refused it.
template <class Server>
bool waitForOpenConnections(const Server& server, unsigned count) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (server.openConnections() != count) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// What a browser sends for a preview page's Publish button.
struct Form {
    std::string action;
    std::string token;
};
inline Form formOf(const Reply& preview) {
    return {attribute(preview.body, "<form method=\"post\" action=\""),
            attribute(preview.body, "name=\"token\" value=\"")};
}

}  // namespace servertest
