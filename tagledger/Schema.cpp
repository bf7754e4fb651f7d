#include "tagledger/Schema.h"

namespace tagledger {

const std::vector<std::string_view>& schemaMigrations() {
    static const std::vector<std::string_view> kMigrations{
        // 1: journals, known by their counter and first purchase line (a journal moved away
        // and started anew is another one), and their lines, known by their place.
        R"sql(
CREATE TABLE ledger_journal (
    id bigserial PRIMARY KEY,
    counter text NOT NULL,
    first_line text NOT NULL,
    pushed timestamptz NOT NULL DEFAULT now(),
    UNIQUE (id, counter)
);
CREATE UNIQUE INDEX ledger_journal_key ON ledger_journal (counter, md5(first_line));
CREATE TABLE ledger_line (
    journal bigint NOT NULL,
    place bigint NOT NULL CHECK (place >= 0),
    next_place bigint NOT NULL CHECK (next_place > place),
    counter text NOT NULL,
    time timestamptz NOT NULL,
    port text NOT NULL,
    card text NOT NULL,
    credit integer NOT NULL,
    amount text NOT NULL,
    new_credit integer NOT NULL,
    event text NOT NULL CHECK (event IN ('asked', 'declined', 'sending', 'written', 'refused',
        'unknown', 'resolved-written', 'resolved-not-written')),
    status integer NOT NULL,
    PRIMARY KEY (journal, place),
    FOREIGN KEY (journal, counter) REFERENCES ledger_journal (id, counter)
);
CREATE INDEX ledger_line_sales ON ledger_line (time)
    WHERE event IN ('written', 'resolved-written');
CREATE INDEX ledger_line_card ON ledger_line (card, time);
)sql",
    };
    return kMigrations;
}

} // namespace tagledger
