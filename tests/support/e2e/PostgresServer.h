#pragma once

// A PostgreSQL server of a test's own: initdb into a temporary folder, run by an unprivileged
// user (nobody when the test runs as root), reached through a Unix socket only, stopped at the
// end. Debian's server programs live in /usr/lib/postgresql/VERSION/bin.

#include "e2e/AsUser.h"
#include "e2e/TempFolder.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class PostgresServer {
public:
    /// Debian's server programs, or nothing where PostgreSQL is not installed.
    static std::optional<std::filesystem::path> programs() {
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
            if (std::filesystem::exists(entry.path() / "bin" / "initdb") &&
                std::filesystem::exists(entry.path() / "bin" / "postgres")) {
                return entry.path() / "bin";
            }
        }
        return std::nullopt;
    }

    /// A fresh cluster, not yet started; `failure()` says when it could not be made.
    /// `durable`: the server syncs its writes, as a real one does (tests skip that for speed).
    explicit PostgresServer(std::filesystem::path bin, bool durable = false)
        : bin_(std::move(bin)), durable_(durable) {
        user_ = ::geteuid() == 0 ? kNobody : ::geteuid();
        // The server's user must reach its folders below ours.
        ::chmod(folder_.path().c_str(), 0755);
        for (const auto* name : {"data", "socket"}) {
            std::filesystem::create_directory(folder_.path() / name);
            if (::chown((folder_.path() / name).c_str(), user_, user_) != 0) {
                failure_ = "cannot give the server's folders to its user";
            }
        }
        if (!failure_ && runAs({(bin_ / "initdb").string(), "-D", dataFolder(), "-U", "ledger",
                                "-A", "trust", "-E", "UTF8", "--locale=C", "--no-sync"},
                               /*wait=*/true) != 0) {
            failure_ = "initdb failed";
        }
    }

    ~PostgresServer() { stop(); }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    const std::optional<std::string>& failure() const { return failure_; }

    /// Starts the server and waits until it takes connections; whether it came.
    [[nodiscard]] bool start() {
        server_ = runAs({(bin_ / "postgres").string(), "-D", dataFolder(), "-k", socketFolder(),
                         "-c", "listen_addresses=", "-c", durable_ ? "fsync=on" : "fsync=off", "-c",
                         "max_connections=20"},
                        /*wait=*/false);
        const std::string conninfo = url() + "&connect_timeout=2";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (PQping(conninfo.c_str()) == PQPING_OK) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    /// Stops it, fast shutdown, within 30 s (then killed).
    void stop() {
        if (server_ <= 0) {
            return;
        }
        ::kill(server_, SIGINT);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        int status = 0;
        while (::waitpid(server_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(server_, SIGKILL);
                ::waitpid(server_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        server_ = -1;
    }

    /// The URL of one of its databases.
    std::string url(const std::string& database = "postgres") const {
        return "postgresql:///" + database + "?host=" + socketFolder() + "&user=ledger";
    }

private:
    std::string dataFolder() const { return (folder_.path() / "data").string(); }
    std::string socketFolder() const { return (folder_.path() / "socket").string(); }

    /// Runs the program as the server's user, its output thrown away: its exit status when
    /// waited for (within 120 s), else its process id.
    int runAs(const std::vector<std::string>& argv, bool wait) {
        std::vector<char*> arguments;
        for (const std::string& argument : argv) {
            arguments.push_back(const_cast<char*>(argument.c_str()));
        }
        arguments.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            if (::geteuid() != user_ && (::setgid(user_) != 0 || ::setuid(user_) != 0)) {
                ::_exit(126);
            }
            if (::chdir(folder_.path().c_str()) != 0) {
                ::_exit(126);
            }
            ::execv(arguments[0], arguments.data());
            ::_exit(127);
        }
        if (!wait || child < 0) {
            return child;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path bin_;
    bool durable_;
    TempFolder folder_;
    uid_t user_;
    pid_t server_ = -1;
    std::optional<std::string> failure_;
};

} // namespace testing_support
