// tagledger's commands against a PostgreSQL server of the test's own.
#include "e2e/PostgresServer.h"

#include "e2e/ChildProcess.h"
#include "e2e/TempFolder.h"

#include "journal/PurchaseRecord.h"
#include "tagledger/Connection.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

using namespace std::chrono_literals;
using journal::PurchaseEvent;
using testing_support::ChildProcess;
using testing_support::PostgresServer;

struct Ran {
    std::optional<int> status; ///< nothing when it did not end in time
    std::string output;
};

/// Runs a program to its end, within the time given.
Ran run(const std::vector<std::string>& argv, std::chrono::milliseconds within = 60s) {
    ChildProcess child(argv);
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline &&
           child.readLine(std::chrono::duration_cast<std::chrono::milliseconds>(
               deadline - std::chrono::steady_clock::now()))) {
    }
    return {child.wait(std::max(0ms, std::chrono::duration_cast<std::chrono::milliseconds>(
                                         deadline - std::chrono::steady_clock::now()))),
            child.transcript()};
}

Ran tagledger(const std::string& url, std::vector<std::string> arguments,
              std::chrono::milliseconds within = 60s) {
    arguments.insert(arguments.begin(), {TAGLEDGER_PATH, "--db", url});
    return run(arguments, within);
}

/// Polls until the condition holds or the time passes; whether it held.
template <typename Condition> bool waitFor(Condition condition, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

journal::PurchaseRecord line(const std::string& time, const std::string& card, int credit,
                             int newCredit, PurchaseEvent event, int status = 0) {
    return {time,      "USB", card,  credit, std::to_string(credit - newCredit),
            newCredit, event, status};
}

/// A journal of `purchases` sales (asked, sending, written) on the day, one a second from
/// `hour`, on cards of their own, beginning with its header.
std::string sales(int purchases, int hour, const std::string& cardPrefix) {
    std::string text(journal::kHeaderLine);
    for (int i = 0; i < purchases; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "2026-12-09T%02d:%02d:%02dZ", hour + i / 3600, i / 60 % 60,
                      i % 60);
        const std::string card = cardPrefix + std::to_string(i % 500);
        const int credit = 100 + i % 50;
        for (PurchaseEvent event :
             {PurchaseEvent::Asked, PurchaseEvent::Sending, PurchaseEvent::Written}) {
            text += journal::journalLine(line(time, card, credit, credit - 1 - i % 7, event));
        }
    }
    return text;
}

void write(const std::filesystem::path& file, const std::string& text,
           std::ios::openmode mode = std::ios::trunc) {
    std::ofstream(file, std::ios::binary | mode) << text;
}

class Ledger : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const auto programs = PostgresServer::programs();
        if (!programs) {
            skipped_ = "PostgreSQL is not installed (scripts/deps installs it)";
            return;
        }
        server_ = std::make_unique<PostgresServer>(*programs);
        if (server_->failure()) {
            skipped_ = *server_->failure();
        } else if (!server_->start()) {
            skipped_ = "the PostgreSQL server did not start";
        }
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (skipped_) {
            GTEST_SKIP() << *skipped_;
        }
        // A database of each test's own.
        static int next = 0;
        database_ = "ledger" + std::to_string(++next);
        ASSERT_EQ(sql("postgres", "CREATE DATABASE " + database_), "");
        url_ = server_->url(database_);
        const Ran init = tagledger(url_, {"init"});
        ASSERT_EQ(init.status, 0) << init.output;
    }

    /// The first value of the statement's answer, in the given database.
    static std::string sql(const std::string& database, const std::string& statement) {
        auto opened = tagledger::Database::open(server_->url(database));
        if (auto* reason = std::get_if<std::string>(&opened)) {
            return "no connection: " + *reason;
        }
        auto answer = std::get<tagledger::Database>(opened).run(statement.c_str());
        if (auto* reason = std::get_if<std::string>(&answer)) {
            return "failed: " + *reason;
        }
        const auto& result = std::get<tagledger::Result>(answer);
        return PQntuples(result.get()) > 0 ? PQgetvalue(result.get(), 0, 0) : "";
    }
    std::string sql(const std::string& statement) const { return sql(database_, statement); }
    std::int64_t lines() const {
        return std::atoll(sql("SELECT count(*) FROM ledger_line").c_str());
    }

    static inline std::unique_ptr<PostgresServer> server_;
    static inline std::optional<std::string> skipped_;
    std::string database_;
    std::string url_;
    testing_support::TempFolder folder_;
};

/// The README's awk line over the files: the day's sales, added up.
std::int64_t awkSum(const std::vector<std::filesystem::path>& files) {
    std::vector<std::string> argv{"/usr/bin/awk", "-F,",
                                  "$1 ~ /^2026-12-09/ && ($7 == \"written\" || $7 == "
                                  "\"resolved-written\") { sum += $4 - $6 } END { print sum }"};
    for (const auto& file : files) {
        argv.push_back(file.string());
    }
    return std::atoll(run(argv).output.c_str());
}

TEST_F(Ledger, TwoCountersPushedOneTwiceHoldEveryLineOnceAndAddUp) {
    const auto a = folder_.path() / "a.csv";
    const auto b = folder_.path() / "b.csv";
    // Counter A's journal also holds a torn line, a foreign one, a text that needs quoting,
    // and an unknown purchase settled as written.
    write(a, sales(200, 8, "A") + "2026-12-09T10:00:00Z,USB,A1\n" + "not,a,journal,line\r\n" +
                 journal::journalLine({"2026-12-09T10:00:01Z", "=\"po,rt\\\"", "C1", 90, "10", 80,
                                       PurchaseEvent::Sending, 0}) +
                 journal::journalLine(
                     line("2026-12-09T10:00:02Z", "C1", 90, 80, PurchaseEvent::Unknown, -2)) +
                 journal::journalLine(
                     line("2026-12-09T10:05:00Z", "C1", 90, 80, PurchaseEvent::ResolvedWritten)));
    write(b, sales(150, 12, "B"));
    const std::int64_t expectedLines = 200 * 3 + 3 + 150 * 3;

    for (const auto& [counter, file] : {std::pair{"A", a}, {"B", b}, {"A", a}}) {
        const Ran push = tagledger(url_, {"push", "--counter", counter, file.string()});
        ASSERT_EQ(push.status, 0) << push.output;
    }
    EXPECT_EQ(lines(), expectedLines);
    EXPECT_EQ(sql("SELECT port FROM ledger_line WHERE card = 'C1' AND event = 'sending'"),
              "=\"po,rt\\\"");

    const Ran report = tagledger(url_, {"report", "--day", "2026-12-09", "--json"});
    ASSERT_EQ(report.status, 0) << report.output;
    const auto json = nlohmann::json::parse(report.output);
    EXPECT_EQ(json["total"].get<std::int64_t>(), awkSum({a, b}));
    EXPECT_EQ(json["sales"], 200 + 150 + 1);

    const Ran onlyB =
        tagledger(url_, {"report", "--day", "2026-12-09", "--counter", "B", "--json"});
    EXPECT_EQ(nlohmann::json::parse(onlyB.output)["total"].get<std::int64_t>(), awkSum({b}));

    const auto page = folder_.path() / "day.html";
    ASSERT_EQ(tagledger(url_, {"report", "--day", "2026-12-09", "--html", page.string()}).status,
              0);
    std::ifstream html(page);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(html), {}).find("<svg"),
              std::string::npos);
}

TEST_F(Ledger, PushKilledMidwayAndRunAgainLosesNothingAndDoublesNothing) {
    const auto a = folder_.path() / "a.csv";
    write(a, sales(5000, 8, "A"));
    ChildProcess push(
        {TAGLEDGER_PATH, "--db", url_, "push", "--counter", "A", "--batch", "1", a.string()});
    ASSERT_TRUE(waitFor([&] { return lines() >= 300; }, 60s));
    push.signal(SIGKILL);
    ASSERT_EQ(push.wait(10s), 128 + SIGKILL);
    ASSERT_LT(lines(), 15000) << "the push ended before it was killed";

    const Ran again = tagledger(url_, {"push", "--counter", "A", a.string()});
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(lines(), 15000);
}

TEST_F(Ledger, FollowCatchesUpAfterTheServerStopsAndAfterANewJournal) {
    const auto a = folder_.path() / "a.csv";
    write(a, sales(10, 8, "A"));
    ChildProcess follow(
        {TAGLEDGER_PATH, "--db", url_, "push", "--counter", "A", "--follow", a.string()});
    ASSERT_TRUE(waitFor([&] { return lines() == 30; }, 60s)) << follow.transcript();

    server_->stop();
    // Lines appended during the outage, then the journal moved away and started anew.
    write(a, journal::journalLine(line("2026-12-09T09:00:00Z", "X", 50, 40, PurchaseEvent::Asked)),
          std::ios::app);
    std::filesystem::rename(a, folder_.path() / "a-archived.csv");
    write(a, sales(5, 11, "N"));
    ASSERT_TRUE(server_->start());

    EXPECT_TRUE(waitFor([&] { return lines() == 30 + 1 + 15; }, 60s))
        << lines() << " lines; " << follow.transcript();
    follow.signal(SIGTERM);
}

TEST_F(Ledger, CheckFlagsRaisedCreditAndUnsettledPurchasesOnly) {
    EXPECT_EQ(tagledger(url_, {"check"}).status, 0) << "an empty ledger has no finding";
    const auto a = folder_.path() / "a.csv";
    const auto b = folder_.path() / "b.csv";
    std::string atA(journal::kHeaderLine);
    for (const auto& record : {
             // F: A writes 30, and B reads 90 from it later: a forged credit.
             line("2026-12-09T08:00:00Z", "F", 40, 30, PurchaseEvent::Asked),
             line("2026-12-09T08:00:01Z", "F", 40, 30, PurchaseEvent::Written),
             // S: an unknown outcome, settled as written at the card's next read, then a
             // sale from the credit it left.
             line("2026-12-09T08:01:00Z", "S", 60, 50, PurchaseEvent::Asked),
             line("2026-12-09T08:01:01Z", "S", 60, 50, PurchaseEvent::Sending),
             line("2026-12-09T08:01:02Z", "S", 60, 50, PurchaseEvent::Unknown, -2),
             line("2026-12-09T08:05:00Z", "S", 60, 50, PurchaseEvent::ResolvedWritten),
             line("2026-12-09T08:05:00Z", "S", 50, 45, PurchaseEvent::Asked),
             line("2026-12-09T08:05:01Z", "S", 50, 45, PurchaseEvent::Written),
         }) {
        atA += journal::journalLine(record);
    }
    std::string atB(journal::kHeaderLine);
    for (const auto& record : {
             line("2026-12-09T09:00:00Z", "F", 90, 80, PurchaseEvent::Asked),
             line("2026-12-09T09:00:01Z", "F", 90, 80, PurchaseEvent::Written),
             // S read at B with less than A left: spent elsewhere is no forgery.
             line("2026-12-09T09:01:00Z", "S", 40, 35, PurchaseEvent::Asked),
             line("2026-12-09T09:01:01Z", "S", 40, 35, PurchaseEvent::Written),
             // U: sent, its answer lost, never read again.
             line("2026-12-09T09:02:00Z", "U", 70, 60, PurchaseEvent::Asked),
             line("2026-12-09T09:02:01Z", "U", 70, 60, PurchaseEvent::Sending),
             line("2026-12-09T09:02:02Z", "U", 70, 60, PurchaseEvent::Unknown, -2),
         }) {
        atB += journal::journalLine(record);
    }
    write(a, atA);
    write(b, atB);
    ASSERT_EQ(tagledger(url_, {"push", "--counter", "A", a.string()}).status, 0);
    ASSERT_EQ(tagledger(url_, {"push", "--counter", "B", b.string()}).status, 0);

    const Ran check = tagledger(url_, {"check", "--json"});
    EXPECT_EQ(check.status, 1) << check.output;
    const auto json = nlohmann::json::parse(check.output);
    ASSERT_EQ(json["raised_credit"].size(), 1u) << check.output;
    EXPECT_EQ(json["raised_credit"][0]["card"], "F");
    EXPECT_EQ(json["raised_credit"][0]["counter"], "B");
    EXPECT_EQ(json["raised_credit"][0]["credit_written"], 30);
    ASSERT_EQ(json["unsettled"].size(), 1u) << check.output;
    EXPECT_EQ(json["unsettled"][0]["card"], "U");
}

/// A TCP port that takes connections into its queue and never answers on them.
class SilentListener {
public:
    SilentListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(fd_, 8);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

TEST(LedgerUnreachable, AWrongUrlOrASilentServerFailsClearlyWithinADeadline) {
    SilentListener silent;
    const testing_support::TempFolder empty;
    const std::chrono::seconds connectTimeout = tagledger::kConnectTimeout;
    for (const auto& [url, within] : std::vector<std::pair<std::string, std::chrono::seconds>>{
             {"postgresql:///ledger?host=" + empty.path().string(), 5s},
             {"postgresql://[::1", 5s},
             {"not a connection string", 5s},
             // No connect_timeout in the URL: tagledger's own deadline holds.
             {"host=127.0.0.1 port=" + std::to_string(silent.port()) + " dbname=ledger",
              connectTimeout + 5s}}) {
        const Ran check = tagledger(url, {"check"}, within);
        ASSERT_TRUE(check.status.has_value())
            << url << ": still waiting after " << within.count() << " s";
        EXPECT_EQ(*check.status, 2) << url << ": " << check.output;
        EXPECT_NE(check.output.find("cannot connect to the ledger database"), std::string::npos)
            << url << ": " << check.output;
    }
}

} // namespace
