#pragma once

// The ledger's connection to PostgreSQL through libpq, with a deadline on every wait.

#include <libpq-fe.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tagledger {

/// How long a connection may take, a statement may run, and unacknowledged data may wait on a
/// TCP connection, unless the URL says otherwise (connect_timeout, tcp_user_timeout).
inline constexpr std::chrono::seconds kConnectTimeout{10};
inline constexpr std::chrono::seconds kStatementTimeout{60};

/// The keywords and values given to libpq: our deadlines first, then the URL (a connection
/// string or URI, expanded by libpq), whose own settings win; without a URL libpq takes
/// PGSERVICE, PGHOST and the like, and a password from ~/.pgpass.
std::vector<std::pair<std::string, std::string>>
connectionKeywords(const std::optional<std::string>& url);

/// libpq's message on one line, without its trailing line end.
std::string oneLine(const char* message);

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

class Database {
public:
    /// A connection, or why there is none.
    [[nodiscard]] static std::variant<Database, std::string>
    open(const std::optional<std::string>& url);

    /// Runs one statement with text parameters; the result, or the server's reason.
    [[nodiscard]] std::variant<Result, std::string>
    run(const char* sql, const std::vector<std::optional<std::string>>& parameters = {});

    bool broken() const { return PQstatus(connection_.get()) != CONNECTION_OK; }

private:
    struct Closer {
        void operator()(PGconn* connection) const { PQfinish(connection); }
    };
    explicit Database(PGconn* connection) : connection_(connection) {}
    std::unique_ptr<PGconn, Closer> connection_;
};

} // namespace tagledger
