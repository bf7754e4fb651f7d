// Our library reaches the emulated reader over the network through the real ser2net, started
// with the shipped docs/ser2net.yaml in front of the emulator's pty. ser2net listens on a port,
// so it runs inside a private network namespace (mf_api_ser2net_probe under unshare).
#include "e2e/EmulatorSession.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::ChildProcess;
using namespace std::chrono_literals;

bool ser2netInstalled() {
    for (const char* folder : {"/usr/sbin", "/usr/bin", "/sbin", "/usr/local/sbin"}) {
        if (::access((fs::path(folder) / "ser2net").c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

/// What the probe reported: each step's status in order, and its other lines.
struct Report {
    std::vector<std::pair<std::string, int>> steps;
    std::vector<std::string> lines;
    std::string transcript;

    std::optional<int> status(const std::string& name) const {
        for (const auto& [step, status] : steps) {
            if (step == name) {
                return status;
            }
        }
        return std::nullopt;
    }
    bool has(const std::string& line) const {
        for (const std::string& said : lines) {
            if (said == line) {
                return true;
            }
        }
        return false;
    }
};

class Ser2net : public testing_support::EmulatorTest {
protected:
    /// Runs the probe in a private network namespace; nothing when no namespace can be made.
    std::optional<Report> runProbe(const std::string& mode) {
        // The emulator's pty, where its COM1 link leads.
        const fs::path pty = fs::read_symlink(ports_.path() / "COM1");
        std::vector<std::string> argv{"/usr/bin/unshare", "--net", "--mount"};
        if (::geteuid() != 0) {
            argv.insert(argv.begin() + 1, {"--user", "--map-root-user"});
        }
        argv.insert(argv.end(), {MF_API_SER2NET_PROBE_PATH, mode, KOV_SER2NET_CONFIG, pty});
        ChildProcess probe(argv);
        Report report;
        while (const auto line = probe.readLine(30s)) {
            if (*line == "probe done") {
                break;
            }
            const auto mark = line->find(" status=");
            if (line->rfind("step ", 0) == 0 && mark != std::string::npos) {
                report.steps.emplace_back(line->substr(5, mark - 5),
                                          std::atoi(line->c_str() + mark + 8));
            } else {
                report.lines.push_back(*line);
            }
        }
        report.transcript = probe.transcript();
        EXPECT_TRUE(probe.wait(10s).has_value()) << "the probe did not end";
        if (report.steps.empty() && report.transcript.find("unshare:") != std::string::npos) {
            return std::nullopt;
        }
        EXPECT_EQ(report.transcript.find("probe failed"), std::string::npos) << report.transcript;
        return report;
    }

    void SetUp() override {
        if (!ser2netInstalled()) {
            GTEST_SKIP() << "skipped: ser2net is not installed (scripts/deps installs it)";
        }
        EmulatorTest::SetUp();
    }
};

#define RUN_PROBE_OR_SKIP(report, mode)                                                            \
    const auto report = runProbe(mode);                                                            \
    if (!report) {                                                                                 \
        GTEST_SKIP() << "skipped: no private network namespace can be made here (unshare -n)";     \
    }

TEST_F(Ser2net, APurchaseReadsAndWritesTheCreditThroughIt) {
    RUN_PROBE_OR_SKIP(report, "purchase");
    for (const char* step : {"open", "request", "anticoll", "select", "loadkey", "authentication",
                             "read", "write", "read back", "close"}) {
        EXPECT_EQ(report->status(step), MF_OK) << step << "\n" << report->transcript;
    }
    EXPECT_TRUE(report->has("credit before=50 written=40 read=40 rest=same")) << report->transcript;
    // The write reached the emulated card, not some copy on the way.
    console("cards", "credit 40");
}

TEST_F(Ser2net, StoppedItGivesDeviceGoneThenNoSuchPortAndAReopenWorksWhenItIsBack) {
    RUN_PROBE_OR_SKIP(report, "restart");
    const std::vector<std::pair<std::string, int>> expected{
        {"open", MF_OK},
        {"version", MF_OK},
        {"version after stop", MF_ERR_DEVICE_GONE},
        {"version again", MF_ERR_NOT_OPEN},
        {"open while stopped", MF_ERR_NO_SUCH_PORT},
        {"open after restart", MF_OK},
        {"version after restart", MF_OK},
        {"close", MF_OK},
    };
    EXPECT_EQ(report->steps, expected) << report->transcript;
}

TEST_F(Ser2net, ASecondClientIsRefusedAndTheFirstKeepsTheReader) {
    RUN_PROBE_OR_SKIP(report, "second-client");
    // ser2net takes the connection, says why it will not serve it and hangs up: the second
    // program's open succeeds and its first command finds the device gone.
    const std::vector<std::pair<std::string, int>> expected{
        {"open", MF_OK},
        {"version", MF_OK},
        {"second open", MF_OK},
        {"second version", MF_ERR_DEVICE_GONE},
        {"second version again", MF_ERR_NOT_OPEN},
        {"second close", MF_OK},
        {"version after the second client", MF_OK},
        {"close", MF_OK},
    };
    EXPECT_EQ(report->steps, expected) << report->transcript;
    EXPECT_TRUE(report->has("refusal text=Port already in use")) << report->transcript;
    EXPECT_TRUE(report->has("refusal hang-up=yes")) << report->transcript;
}

} // namespace
