#include "tagledger/Ledger.h"

#include "tagledger/PgArray.h"
#include "tagledger/Schema.h"

#include <cstdlib>

namespace tagledger {

namespace {

/// Taken by every init for its transaction, so two at once run one after the other.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(4502501)";

constexpr const char* kUtcText = R"(to_char(%s AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS"Z"'))";

std::string utcText(const std::string& column) {
    std::string sql = kUtcText;
    return sql.replace(sql.find("%s"), 2, column);
}

std::int64_t integer(const Result& result, int row, int column) {
    return std::strtoll(PQgetvalue(result.get(), row, column), nullptr, 10);
}

std::string text(const Result& result, int row, int column) {
    return PQgetvalue(result.get(), row, column);
}

/// The reason, with what to do when it is that the ledger's tables are missing.
std::string schemaMissing(const std::string& reason) {
    if (reason.find("ledger_") != std::string::npos &&
        reason.find("does not exist") != std::string::npos) {
        return "the database holds no ledger (run tagledger init first): " + reason;
    }
    return reason;
}

} // namespace

std::variant<int, std::string> migrate(Database& database) {
    if (auto begun = database.run("BEGIN"); std::holds_alternative<std::string>(begun)) {
        return std::get<std::string>(begun);
    }
    auto fail = [&](std::string reason) -> std::variant<int, std::string> {
        static_cast<void>(database.run("ROLLBACK"));
        return reason;
    };
    for (const char* sql :
         {kMigrationLock, "CREATE TABLE IF NOT EXISTS ledger_schema (version integer NOT NULL)",
          "INSERT INTO ledger_schema SELECT 0 WHERE NOT EXISTS (SELECT FROM ledger_schema)"}) {
        if (auto done = database.run(sql); std::holds_alternative<std::string>(done)) {
            return fail(std::get<std::string>(done));
        }
    }
    auto current = database.run("SELECT version FROM ledger_schema");
    if (std::holds_alternative<std::string>(current)) {
        return fail(std::get<std::string>(current));
    }
    int version = static_cast<int>(integer(std::get<Result>(current), 0, 0));
    const auto& migrations = schemaMigrations();
    if (version > static_cast<int>(migrations.size())) {
        return fail("the ledger's schema is version " + std::to_string(version) +
                    ", newer than this tagledger knows (" + std::to_string(migrations.size()) +
                    ")");
    }
    for (; version < static_cast<int>(migrations.size()); ++version) {
        const std::string sql(migrations[static_cast<std::size_t>(version)]);
        if (auto done = database.run(sql.c_str()); std::holds_alternative<std::string>(done)) {
            return fail("migration to version " + std::to_string(version + 1) + ": " +
                        std::get<std::string>(done));
        }
        if (auto set = database.run("UPDATE ledger_schema SET version = $1",
                                    {std::to_string(version + 1)});
            std::holds_alternative<std::string>(set)) {
            return fail(std::get<std::string>(set));
        }
    }
    if (auto done = database.run("COMMIT"); std::holds_alternative<std::string>(done)) {
        return std::get<std::string>(done);
    }
    return version;
}

std::variant<std::int64_t, std::string> journalId(Database& database, const std::string& counter,
                                                  const std::string& firstLine) {
    // Insert first and read after: a counter's role may insert and read its own rows only.
    auto added = database.run("INSERT INTO ledger_journal (counter, first_line) VALUES ($1, $2) "
                              "ON CONFLICT (counter, md5(first_line)) DO NOTHING",
                              {counter, firstLine});
    if (std::holds_alternative<std::string>(added)) {
        return schemaMissing(std::get<std::string>(added));
    }
    auto found = database.run("SELECT id FROM ledger_journal WHERE counter = $1 AND "
                              "md5(first_line) = md5($2) AND first_line = $2",
                              {counter, firstLine});
    if (std::holds_alternative<std::string>(found)) {
        return std::get<std::string>(found);
    }
    const Result& result = std::get<Result>(found);
    if (PQntuples(result.get()) != 1) {
        return std::string("the ledger does not show this counter its journal");
    }
    return integer(result, 0, 0);
}

std::variant<std::int64_t, std::string> resumePlace(Database& database, std::int64_t journal) {
    auto found = database.run("SELECT coalesce((SELECT next_place FROM ledger_line WHERE journal "
                              "= $1 ORDER BY place DESC LIMIT 1), 0)",
                              {std::to_string(journal)});
    if (std::holds_alternative<std::string>(found)) {
        return std::get<std::string>(found);
    }
    return integer(std::get<Result>(found), 0, 0);
}

std::variant<std::int64_t, std::string> storeRows(Database& database, std::int64_t journal,
                                                  const std::string& counter,
                                                  const std::vector<LedgerRow>& rows) {
    std::vector<std::string> place, next, time, port, card, credit, amount, newCredit, event,
        status;
    for (const LedgerRow& row : rows) {
        const journal::PurchaseRecord& r = row.record;
        place.push_back(std::to_string(row.place));
        next.push_back(std::to_string(row.nextPlace));
        time.push_back(r.time);
        port.push_back(r.port);
        card.push_back(r.cardUid);
        credit.push_back(std::to_string(r.credit));
        amount.push_back(r.amount);
        newCredit.push_back(std::to_string(r.newCredit));
        event.push_back(std::string(journal::eventName(r.event)));
        status.push_back(std::to_string(r.status));
    }
    auto stored = database.run(
        "INSERT INTO ledger_line (journal, counter, place, next_place, time, port, card, credit, "
        "amount, new_credit, event, status) "
        "SELECT $1, $2, * FROM unnest($3::bigint[], $4::bigint[], $5::timestamptz[], $6::text[], "
        "$7::text[], $8::integer[], $9::text[], $10::integer[], $11::text[], $12::integer[]) "
        "ON CONFLICT DO NOTHING",
        {std::to_string(journal), counter, pgArrayLiteral(place), pgArrayLiteral(next),
         pgArrayLiteral(time), pgArrayLiteral(port), pgArrayLiteral(card), pgArrayLiteral(credit),
         pgArrayLiteral(amount), pgArrayLiteral(newCredit), pgArrayLiteral(event),
         pgArrayLiteral(status)});
    if (std::holds_alternative<std::string>(stored)) {
        return std::get<std::string>(stored);
    }
    return std::strtoll(PQcmdTuples(std::get<Result>(stored).get()), nullptr, 10);
}

std::variant<std::vector<SalesBucket>, std::string>
salesOfDay(Database& database, const std::string& day, const std::optional<std::string>& counter) {
    auto found = database.run(
        "SELECT counter, extract(hour FROM time AT TIME ZONE 'UTC')::integer, count(*), "
        "sum(credit - new_credit) FROM ledger_line "
        "WHERE event IN ('written', 'resolved-written') "
        "AND time >= $1::date::timestamp AT TIME ZONE 'UTC' "
        "AND time < ($1::date + 1)::timestamp AT TIME ZONE 'UTC' "
        "AND ($2::text IS NULL OR counter = $2) GROUP BY 1, 2 ORDER BY 1, 2",
        {day, counter});
    if (std::holds_alternative<std::string>(found)) {
        return schemaMissing(std::get<std::string>(found));
    }
    const Result& result = std::get<Result>(found);
    std::vector<SalesBucket> buckets;
    for (int i = 0; i < PQntuples(result.get()); ++i) {
        buckets.push_back(SalesBucket{text(result, i, 0), static_cast<int>(integer(result, i, 1)),
                                      integer(result, i, 2), integer(result, i, 3)});
    }
    return buckets;
}

std::variant<CheckFindings, std::string> findings(Database& database) {
    CheckFindings findings;
    // Each purchase's credit read (its asked line) against the new credit of the last write on
    // that card before it, at any counter.
    const std::string raised =
        "SELECT a.card, a.counter, " + utcText("a.time") + ", a.credit, w.counter, " +
        utcText("w.time") +
        ", w.new_credit FROM ledger_line a CROSS JOIN LATERAL ("
        "SELECT counter, time, new_credit FROM ledger_line w WHERE w.card = a.card "
        "AND w.event IN ('written', 'resolved-written') AND (w.time < a.time OR "
        "(w.time = a.time AND w.journal = a.journal AND w.place < a.place)) "
        "ORDER BY w.time DESC, w.place DESC LIMIT 1) w "
        "WHERE a.event = 'asked' AND a.credit > w.new_credit ORDER BY a.time, a.card";
    auto found = database.run(raised.c_str());
    if (std::holds_alternative<std::string>(found)) {
        return schemaMissing(std::get<std::string>(found));
    }
    {
        const Result& result = std::get<Result>(found);
        for (int i = 0; i < PQntuples(result.get()); ++i) {
            findings.raised.push_back(
                RaisedCredit{text(result, i, 0), text(result, i, 1), text(result, i, 2),
                             static_cast<int>(integer(result, i, 3)), text(result, i, 4),
                             text(result, i, 5), static_cast<int>(integer(result, i, 6))});
        }
    }
    // A card's last outcome line at each counter: sending or unknown is a purchase its counter
    // has not settled yet (the next read of the card there settles it).
    const std::string unsettled =
        "SELECT card, counter, " + utcText("time") +
        ", event, credit, new_credit FROM ("
        "SELECT DISTINCT ON (counter, card) * FROM ledger_line WHERE event IN ('sending', "
        "'unknown', 'written', 'refused', 'resolved-written', 'resolved-not-written') "
        "ORDER BY counter, card, time DESC, journal DESC, place DESC) last "
        "WHERE event IN ('sending', 'unknown') ORDER BY time, card";
    found = database.run(unsettled.c_str());
    if (std::holds_alternative<std::string>(found)) {
        return std::get<std::string>(found);
    }
    const Result& result = std::get<Result>(found);
    for (int i = 0; i < PQntuples(result.get()); ++i) {
        findings.unsettled.push_back(UnsettledPurchase{
            text(result, i, 0), text(result, i, 1), text(result, i, 2), text(result, i, 3),
            static_cast<int>(integer(result, i, 4)), static_cast<int>(integer(result, i, 5))});
    }
    return findings;
}

} // namespace tagledger
