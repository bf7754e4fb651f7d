#pragma once

// What tagledger asks of the database: the schema, a journal's lines in, a day's sales and the
// findings of check out.

#include "tagledger/Check.h"
#include "tagledger/Connection.h"
#include "tagledger/LedgerRow.h"
#include "tagledger/Report.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tagledger {

/// The schema version after running what migrations it lacked; or why not.
[[nodiscard]] std::variant<int, std::string> migrate(Database& database);

/// The journal of `counter` whose first purchase line is `firstLine`, made known if it is new.
[[nodiscard]] std::variant<std::int64_t, std::string>
journalId(Database& database, const std::string& counter, const std::string& firstLine);

/// Where the journal's lines still to push begin: just after the last line the ledger holds.
[[nodiscard]] std::variant<std::int64_t, std::string> resumePlace(Database& database,
                                                                  std::int64_t journal);

/// Stores the rows in one transaction, each once however often it is sent; the number new.
[[nodiscard]] std::variant<std::int64_t, std::string> storeRows(Database& database,
                                                                std::int64_t journal,
                                                                const std::string& counter,
                                                                const std::vector<LedgerRow>& rows);

[[nodiscard]] std::variant<std::vector<SalesBucket>, std::string>
salesOfDay(Database& database, const std::string& day, const std::optional<std::string>& counter);

[[nodiscard]] std::variant<CheckFindings, std::string> findings(Database& database);

} // namespace tagledger
