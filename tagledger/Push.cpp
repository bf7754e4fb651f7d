#include "tagledger/Push.h"

#include "tagledger/JournalFile.h"
#include "tagledger/Ledger.h"

#include <thread>
#include <vector>

namespace tagledger {

namespace {

constexpr std::size_t kReadBytes = 1 << 20;

/// Where a push stands in one journal file.
struct Position {
    std::int64_t journal = 0;
    std::int64_t place = 0;
};

/// What one pass over a journal did.
struct Pass {
    std::int64_t stored = 0;
    std::int64_t skipped = 0;
    std::optional<std::string> failure;
};

/// Sends the journal's whole lines from the position on, in batches, to its end.
Pass sendNewLines(Database& database, const JournalFile& file, const PushOptions& options,
                  Position& position) {
    Pass pass;
    for (;;) {
        const std::optional<std::string> bytes = file.read(position.place, kReadBytes);
        if (!bytes) {
            pass.failure = file.path().string() + ": cannot be read";
            return pass;
        }
        const Lines lines = wholeLines(*bytes, position.place);
        pass.skipped += static_cast<std::int64_t>(lines.skipped);
        for (std::size_t from = 0; from < lines.rows.size(); from += options.batchLines) {
            const std::size_t to = std::min(lines.rows.size(), from + options.batchLines);
            const std::vector<LedgerRow> batch(lines.rows.begin() + static_cast<long>(from),
                                               lines.rows.begin() + static_cast<long>(to));
            auto stored = storeRows(database, position.journal, options.counter, batch);
            if (auto* reason = std::get_if<std::string>(&stored)) {
                pass.failure = *reason;
                return pass;
            }
            pass.stored += std::get<std::int64_t>(stored);
        }
        position.place += static_cast<std::int64_t>(lines.consumed);
        if (lines.consumed == 0 || bytes->size() < kReadBytes) {
            return pass;
        }
    }
}

/// The journal's place in the ledger, or why not.
std::variant<Position, std::string> positionOf(Database& database, const std::string& counter,
                                               const std::string& firstLine) {
    auto journal = journalId(database, counter, firstLine);
    if (auto* reason = std::get_if<std::string>(&journal)) {
        return *reason;
    }
    const std::int64_t id = std::get<std::int64_t>(journal);
    auto place = resumePlace(database, id);
    if (auto* reason = std::get_if<std::string>(&place)) {
        return *reason;
    }
    return Position{id, std::get<std::int64_t>(place)};
}

int pushOnce(const PushOptions& options, std::ostream& log) {
    auto opened = Database::open(options.url);
    if (auto* reason = std::get_if<std::string>(&opened)) {
        log << "tagledger: cannot connect to the ledger database: " << *reason << "\n";
        return 2;
    }
    Database& database = std::get<Database>(opened);
    auto file = JournalFile::open(options.journal);
    if (auto* reason = std::get_if<std::string>(&file)) {
        log << "tagledger: cannot open the journal " << *reason << "\n";
        return 2;
    }
    const JournalFile& journal = std::get<JournalFile>(file);
    const std::optional<std::string> firstLine = journal.firstPurchaseLine();
    if (!firstLine) {
        log << "tagledger: " << options.journal.string() << " holds no purchase yet\n";
        return 0;
    }
    auto position = positionOf(database, options.counter, *firstLine);
    if (auto* reason = std::get_if<std::string>(&position)) {
        log << "tagledger: " << *reason << "\n";
        return 2;
    }
    const Pass pass = sendNewLines(database, journal, options, std::get<Position>(position));
    log << "tagledger: " << pass.stored << " new line(s) of " << options.journal.string()
        << " in the ledger for " << options.counter << "\n";
    if (pass.failure) {
        log << "tagledger: " << *pass.failure << "\n";
        return 2;
    }
    return 0;
}

/// --follow: one journal file after another under the same name, through outages of the
/// database, for as long as the process lives.
int follow(const PushOptions& options, std::ostream& log) {
    std::optional<Database> database;
    std::optional<JournalFile> journal;
    std::optional<Position> position;
    bool toldOutage = false;
    for (;;) {
        if (!database) {
            auto opened = Database::open(options.url);
            if (auto* reason = std::get_if<std::string>(&opened)) {
                if (!toldOutage) {
                    log << "tagledger: cannot connect to the ledger database, retrying: " << *reason
                        << std::endl;
                    toldOutage = true;
                }
                std::this_thread::sleep_for(options.retryInterval);
                continue;
            }
            if (toldOutage) {
                log << "tagledger: connected to the ledger database again" << std::endl;
                toldOutage = false;
            }
            database.emplace(std::move(std::get<Database>(opened)));
            position.reset(); // ask the ledger where it stands
        }
        if (!journal) {
            auto file = JournalFile::open(options.journal);
            if (std::holds_alternative<JournalFile>(file)) {
                journal.emplace(std::move(std::get<JournalFile>(file)));
                position.reset();
            }
        }
        if (journal && !position) {
            if (const auto firstLine = journal->firstPurchaseLine()) {
                auto found = positionOf(*database, options.counter, *firstLine);
                if (auto* reason = std::get_if<std::string>(&found)) {
                    log << "tagledger: " << *reason << std::endl;
                    database.reset();
                    std::this_thread::sleep_for(options.retryInterval);
                    continue;
                }
                position = std::get<Position>(found);
            }
        }
        // Looked at before the last pass, so that lines appended before the move are sent.
        const bool moved = journal && journal->movedAway();
        if (journal && position) {
            const Pass pass = sendNewLines(*database, *journal, options, *position);
            if (pass.stored > 0) {
                log << "tagledger: " << pass.stored << " new line(s) for " << options.counter
                    << std::endl;
            }
            if (pass.failure) {
                log << "tagledger: " << *pass.failure << std::endl;
                database.reset();
                std::this_thread::sleep_for(options.retryInterval);
                continue;
            }
        }
        // Everything of the old file is sent: a journal moved away gives way to its successor.
        if (moved) {
            journal.reset();
            position.reset();
            continue;
        }
        std::this_thread::sleep_for(options.pollInterval);
    }
}

} // namespace

int push(const PushOptions& options, std::ostream& log) {
    return options.follow ? follow(options, log) : pushOnce(options, log);
}

} // namespace tagledger
