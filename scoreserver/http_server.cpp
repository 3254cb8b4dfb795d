#include "scoreserver/http_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <cstring>
#include <utility>

#include "scoreserver/score_intake.h"
#include "scoreserver/score_pages.h"
#include "scoreserver/upload_query.h"

namespace scoreserver {

namespace {

// The raw request address, kept before libmicrohttpd decodes its arguments (it would turn
// '+' into a space, where the upload means a plus sign).
void* keepUri(void*, const char* uri, MHD_Connection*) {
    return new std::string(uri);
}

void forgetUri(void*, MHD_Connection*, void** requestState, MHD_RequestTerminationCode) {
    delete static_cast<std::string*>(*requestState);
    *requestState = nullptr;
}

// The value of `key` in a decoded-by-us query, empty when absent or broken.
std::string queryValue(const std::string& query, std::string_view key) {
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view pair = std::string_view(query).substr(start, end - start);
        start = end + 1;
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos || pair.substr(0, equals) != key) continue;
        std::string value;
        return percentDecode(pair.substr(equals + 1), value) ? value : std::string();
    }
    return {};
}

MHD_Result handle(void* cls, MHD_Connection* connection, const char*, const char* method,
                  const char*, const char*, std::size_t* uploadSize, void** requestState) {
    auto* server = static_cast<HttpServer*>(cls);
    HttpServer::Answer answer{405, "<!DOCTYPE html>\n<p>Only GET is served.</p>\n"};
    if (*uploadSize != 0) return MHD_NO;  // a GET carries no body
    if (std::strcmp(method, "GET") == 0 || std::strcmp(method, "HEAD") == 0) {
        const std::string uri = *requestState != nullptr
                                    ? *static_cast<const std::string*>(*requestState)
                                    : std::string();
        const std::size_t mark = uri.find('?');
        try {
            answer =
                server->answer(uri.substr(0, mark),
                               mark == std::string::npos ? std::string() : uri.substr(mark + 1));
        } catch (const StoreError&) {
            answer = {503, "<!DOCTYPE html>\n<p>The hall of fame is not available now.</p>\n"};
        }
    }
    MHD_Response* response = MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char*>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, "Content-Type", "text/html; charset=utf-8");
    MHD_add_response_header(response, "Cache-Control", "no-store");
    const MHD_Result queued = MHD_queue_response(connection, answer.status, response);
    MHD_destroy_response(response);
    return queued;
}

}  // namespace

HttpServer::HttpServer(ScoreStore& store, std::function<std::int64_t()> now)
    : store_(store), now_(std::move(now)) {}

HttpServer::~HttpServer() {
    stop();
}

bool HttpServer::start(const std::string& address, std::uint16_t port) {
    if (daemon_ != nullptr) return false;
    sockaddr_in bind{};
    bind.sin_family = AF_INET;
    bind.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &bind.sin_addr) != 1) return false;
    daemon_ = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_ERROR_LOG, port, nullptr, nullptr, &handle, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&bind), MHD_OPTION_URI_LOG_CALLBACK,
        &keepUri, nullptr, MHD_OPTION_NOTIFY_COMPLETED, &forgetUri, nullptr,
        // An upload's request line is at most some 20 KB: room for it and the headers.
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<std::size_t>(64 * 1024),
        MHD_OPTION_CONNECTION_LIMIT, 256u, MHD_OPTION_PER_IP_CONNECTION_LIMIT, 8u,
        MHD_OPTION_CONNECTION_TIMEOUT, 15u, MHD_OPTION_END);
    return daemon_ != nullptr;
}

void HttpServer::stop() {
    if (daemon_ != nullptr) MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
}

std::uint16_t HttpServer::port() const {
    if (daemon_ == nullptr) return 0;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

HttpServer::Answer HttpServer::answer(const std::string& path, const std::string& query) {
    if (path == "/cgi-bin/hiscore.cgi") {
        const IntakeResult result = takeUpload(query, store_, now_());
        return {result.status == IntakeResult::Status::Refused ? 400u : 200u, uploadPage(result)};
    }
    if (path == "/hiscores") {
        const std::string game = queryValue(query, "game");
        const std::string pageText = queryValue(query, "page");
        std::int64_t page = 0;
        for (const char c : pageText) {
            if (c < '0' || c > '9' || page > 1000000)
                return {400u, "<!DOCTYPE html>\n<p>Bad page.</p>\n"};
            page = page * 10 + (c - '0');
        }
        const std::int64_t total = store_.count(game);
        if (total == 0) return {404u, "<!DOCTYPE html>\n<p>No such hall of fame.</p>\n"};
        return {200u,
                tablePage(game, store_.page(game, page * kRowsPerPage, kRowsPerPage), page, total)};
    }
    return {404u, "<!DOCTYPE html>\n<p>Not found.</p>\n"};
}

}  // namespace scoreserver
