// tagledger: every counter's purchase journal in one PostgreSQL database.
#include "tagledger/Check.h"
#include "tagledger/Ledger.h"
#include "tagledger/Push.h"
#include "tagledger/Report.h"

#include "cli/Version.h"
#include "journal/JournalLocation.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>

namespace {

constexpr int kFailed = 2;

std::optional<tagledger::Database> connect(const std::optional<std::string>& url) {
    auto opened = tagledger::Database::open(url);
    if (auto* reason = std::get_if<std::string>(&opened)) {
        std::cerr << "tagledger: cannot connect to the ledger database: " << *reason << "\n";
        return std::nullopt;
    }
    return std::move(std::get<tagledger::Database>(opened));
}

int init(const std::optional<std::string>& url) {
    auto database = connect(url);
    if (!database) {
        return kFailed;
    }
    auto version = tagledger::migrate(*database);
    if (auto* reason = std::get_if<std::string>(&version)) {
        std::cerr << "tagledger: init: " << *reason << "\n";
        return kFailed;
    }
    std::cout << "ledger schema at version " << std::get<int>(version) << "\n";
    return 0;
}

struct ReportOptions {
    std::string day;
    std::optional<std::string> counter;
    bool json = false;
    bool csv = false;
    std::string html;
};

int report(const std::optional<std::string>& url, const ReportOptions& options) {
    auto database = connect(url);
    if (!database) {
        return kFailed;
    }
    auto buckets = tagledger::salesOfDay(*database, options.day, options.counter);
    if (auto* reason = std::get_if<std::string>(&buckets)) {
        std::cerr << "tagledger: report: " << *reason << "\n";
        return kFailed;
    }
    const tagledger::DayReport day =
        tagledger::dayReport(options.day, std::get<std::vector<tagledger::SalesBucket>>(buckets));
    if (!options.html.empty()) {
        std::ofstream page(options.html, std::ios::binary | std::ios::trunc);
        page << tagledger::reportHtml(day);
        if (!page.flush()) {
            std::cerr << "tagledger: report: cannot write " << options.html << "\n";
            return kFailed;
        }
        std::cout << "wrote " << options.html << "\n";
        return 0;
    }
    std::cout << (options.json  ? tagledger::reportJson(day)
                  : options.csv ? tagledger::reportCsv(day)
                                : tagledger::reportText(day));
    return 0;
}

int check(const std::optional<std::string>& url, bool json) {
    auto database = connect(url);
    if (!database) {
        return kFailed;
    }
    auto found = tagledger::findings(*database);
    if (auto* reason = std::get_if<std::string>(&found)) {
        std::cerr << "tagledger: check: " << *reason << "\n";
        return kFailed;
    }
    const auto& findings = std::get<tagledger::CheckFindings>(found);
    std::cout << (json ? tagledger::checkJson(findings) : tagledger::checkText(findings));
    return findings.any() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"tagledger: every counter's purchase journal in one PostgreSQL database"};
    app.set_version_flag("--version", std::string("tagledger ") + cli::kVersion);
    app.require_subcommand(1);
    std::optional<std::string> url;
    app.add_option("--db", url,
                   "libpq connection string or URI; else PGSERVICE, PGHOST and the like")
        ->type_name("URL");

    CLI::App* initCommand = app.add_subcommand("init", "create or migrate the schema");

    tagledger::PushOptions pushOptions;
    std::string journalFile;
    CLI::App* pushCommand = app.add_subcommand("push", "send the journal's new lines");
    pushCommand->add_option("--counter", pushOptions.counter, "this counter's name")->required();
    pushCommand->add_option("FILE", journalFile, "the journal (default: this user's)");
    pushCommand->add_flag("--follow", pushOptions.follow, "keep sending as lines are appended");
    pushCommand->add_option("--batch", pushOptions.batchLines, "lines per transaction")
        ->check(CLI::Range(1, 100000))
        ->capture_default_str();

    ReportOptions reportOptions;
    CLI::App* reportCommand = app.add_subcommand("report", "a day's sales per counter and hour");
    reportCommand->add_option("--day", reportOptions.day, "the day, UTC")
        ->required()
        ->type_name("YYYY-MM-DD")
        ->check([](const std::string& day) {
            return tagledger::isDay(day) ? std::string() : "not a day written YYYY-MM-DD";
        });
    reportCommand->add_option("--counter", reportOptions.counter, "only this counter");
    auto* json = reportCommand->add_flag("--json", reportOptions.json, "as JSON");
    auto* csv = reportCommand->add_flag("--csv", reportOptions.csv, "as CSV");
    auto* html =
        reportCommand->add_option("--html", reportOptions.html, "a page with a chart, to FILE");
    json->excludes(csv)->excludes(html);
    csv->excludes(html);

    bool checkJson = false;
    CLI::App* checkCommand =
        app.add_subcommand("check", "cards with raised credit, unsettled purchases (exit 1)");
    checkCommand->add_flag("--json", checkJson, "as JSON");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : kFailed;
    }
    if (initCommand->parsed()) {
        return init(url);
    }
    if (pushCommand->parsed()) {
        pushOptions.url = url;
        pushOptions.journal = journalFile.empty() ? journal::purchaseJournalPath()
                                                  : std::filesystem::path(journalFile);
        return tagledger::push(pushOptions, std::cerr);
    }
    if (reportCommand->parsed()) {
        return report(url, reportOptions);
    }
    if (checkCommand->parsed()) {
        return check(url, checkJson);
    }
    return kFailed;
}
