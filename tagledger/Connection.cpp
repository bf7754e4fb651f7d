#include "tagledger/Connection.h"

namespace tagledger {

std::vector<std::pair<std::string, std::string>>
connectionKeywords(const std::optional<std::string>& url) {
    std::vector<std::pair<std::string, std::string>> keywords{
        {"connect_timeout", std::to_string(kConnectTimeout.count())},
        // A server gone silent on TCP ends a wait for its answer, not only an idle link.
        {"tcp_user_timeout", std::to_string(std::chrono::milliseconds(kStatementTimeout).count())},
        {"keepalives", "1"},
        {"keepalives_idle", "30"},
        {"fallback_application_name", "tagledger"},
    };
    if (url) {
        keywords.emplace_back("dbname", *url);
    }
    return keywords;
}

std::string oneLine(const char* message) {
    std::string text;
    bool space = false;
    for (const char* c = message != nullptr ? message : ""; *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\t' || *c == ' ') {
            space = !text.empty();
            continue;
        }
        if (space) {
            text += ' ';
            space = false;
        }
        text += *c;
    }
    return text;
}

std::variant<Database, std::string> Database::open(const std::optional<std::string>& url) {
    const auto keywords = connectionKeywords(url);
    std::vector<const char*> names;
    std::vector<const char*> values;
    for (const auto& [name, value] : keywords) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    names.push_back(nullptr);
    values.push_back(nullptr);
    // expand_dbname: the URL's own keywords override the ones before it.
    PGconn* raw = PQconnectdbParams(names.data(), values.data(), 1);
    if (raw == nullptr) {
        return std::string("out of memory");
    }
    Database database(raw);
    if (PQstatus(raw) != CONNECTION_OK) {
        return oneLine(PQerrorMessage(raw));
    }
    // The server's notices (a table that already exists) are no news to a user.
    PQsetNoticeProcessor(
        raw, [](void*, const char*) {}, nullptr);
    const std::string timeout =
        "SET statement_timeout = " +
        std::to_string(std::chrono::milliseconds(kStatementTimeout).count());
    if (auto set = database.run(timeout.c_str()); std::holds_alternative<std::string>(set)) {
        return std::get<std::string>(set);
    }
    return database;
}

std::variant<Result, std::string>
Database::run(const char* sql, const std::vector<std::optional<std::string>>& parameters) {
    std::vector<const char*> values;
    for (const auto& parameter : parameters) {
        values.push_back(parameter ? parameter->c_str() : nullptr);
    }
    // Without parameters a text may hold several statements (a migration does).
    Result result(parameters.empty()
                      ? PQexec(connection_.get(), sql)
                      : PQexecParams(connection_.get(), sql, static_cast<int>(values.size()),
                                     nullptr, values.data(), nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        return oneLine(PQerrorMessage(connection_.get()));
    }
    return result;
}

} // namespace tagledger
