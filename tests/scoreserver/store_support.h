// The stores the server's tests run against. Each case gets an empty store of its own: an
// SQLite file in a temporary folder, or a PostgreSQL database made for it on the server the
// tests' ctest fixture started (its address in SCORESERVER_TEST_POSTGRES), dropped after.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

#include "scoreserver/open_store.h"
#include "tests/scoreserver/upload_support.h"
#include "tests/support/temp_dir.h"

namespace servertest {

enum class StoreKind { SQLite, PostgreSQL };

// Shown in a case's description: SQLite or PostgreSQL.
inline void PrintTo(StoreKind kind, std::ostream* out) {
    *out << (kind == StoreKind::SQLite ? "SQLite" : "PostgreSQL");
}

// The name a parameterized case carries: .../SQLite or .../PostgreSQL.
inline std::string storeName(const ::testing::TestParamInfo<StoreKind>& info) {
    return info.param == StoreKind::SQLite ? "SQLite" : "PostgreSQL";
}

// The fixture's server; a case that needs it fails when it is not set.
inline std::string postgresServer() {
    const char* address = std::getenv("SCORESERVER_TEST_POSTGRES");
    if (address == nullptr || *address == '\0')
        throw std::runtime_error(
            "SCORESERVER_TEST_POSTGRES is not set: run the tests through ctest, whose fixture "
            "starts a PostgreSQL server");
    return address;
}

// One statement on a session of its own; throws with the server's message when it fails.
inline void postgresRun(const std::string& address, const std::string& sql) {
    PGconn* pg = PQconnectdb(address.c_str());
    std::string error;
    if (PQstatus(pg) != CONNECTION_OK) {
        error = PQerrorMessage(pg);
    } else {
        PGresult* result = PQexec(pg, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            error = PQresultErrorMessage(result);
        PQclear(result);
    }
    PQfinish(pg);
    if (!error.empty()) throw std::runtime_error(sql + ": " + error);
}

// The address of another database on the same server as `address`.
inline std::string postgresDatabase(const std::string& address, const std::string& database) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(address.c_str(), &error);
    if (options == nullptr) {
        const std::string why = error != nullptr ? error : "out of memory";
        PQfreemem(error);
        throw std::runtime_error("bad address " + address + ": " + why);
    }
    std::string out = "postgresql:///" + database;
    char separator = '?';
    for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
        const std::string keyword = o->keyword;
        if (o->val == nullptr || keyword == "dbname") continue;
        out += separator + keyword + '=' + encode(o->val);
        separator = '&';
    }
    PQconninfoFree(options);
    return out;
}

// An empty store of one kind, removed with the object.
class ScratchStore {
public:
    explicit ScratchStore(StoreKind kind) {
        if (kind == StoreKind::SQLite) {
            address_ = (dir_.path() / "scores.db").string();
            return;
        }
        static std::atomic<int> made{0};
        server_ = postgresServer();
        database_ = "scores_" + std::to_string(getpid()) + "_" + std::to_string(made++);
        postgresRun(server_, "DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
        postgresRun(server_, "CREATE DATABASE " + database_ + " TEMPLATE template0");
        address_ = postgresDatabase(server_, database_);
    }
    ~ScratchStore() {
        if (database_.empty()) return;
        try {
            postgresRun(server_, "DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
    ScratchStore(const ScratchStore&) = delete;
    ScratchStore& operator=(const ScratchStore&) = delete;

    // The SQLite file, or the postgresql:// address, as the server's --database takes it.
    const std::string& address() const { return address_; }
    // A store on it, opened as the server opens its --database.
    std::unique_ptr<scoreserver::ScoreStore> open() const {
        return scoreserver::openStore(address_);
    }

private:
    testsupport::TempDir dir_;
    std::string server_;
    std::string database_;
    std::string address_;
};

}  // namespace servertest
