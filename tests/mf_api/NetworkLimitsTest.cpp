// Calls over the network return within their limits, however the network misbehaves. The
// hostile network runs in a namespace of its own (mf_api_limits_probe), so that it listens on
// no port of the machine's and replaces no name server but its own.
#include "e2e/ChildProcess.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Outcome {
    int status = 0;
    long long milliseconds = 0;
};

class NetworkLimits : public ::testing::Test {
protected:
    /// The probe's reports, or nothing (and the test skipped) where no namespace can be made.
    std::optional<std::vector<Outcome>> runProbe(const std::string& mode, std::size_t reports) {
        std::vector<std::string> argv{"/usr/bin/unshare", "--net", "--mount"};
        if (::geteuid() != 0) {
            argv.insert(argv.begin() + 1, {"--user", "--map-root-user"});
        }
        argv.insert(argv.end(), {MF_API_LIMITS_PROBE_PATH, mode});
        testing_support::ChildProcess probe(argv, {{"MF_API_ANSWER_MARGIN_MS", "250"}});
        std::vector<Outcome> outcomes;
        while (outcomes.size() < reports) {
            const auto line = probe.readLine(20s);
            if (!line) {
                break;
            }
            Outcome outcome;
            if (std::sscanf(line->c_str(), "status=%d ms=%lld", &outcome.status,
                            &outcome.milliseconds) == 2) {
                outcomes.push_back(outcome);
            }
        }
        if (outcomes.empty() && probe.transcript().find("unshare:") != std::string::npos) {
            return std::nullopt;
        }
        EXPECT_EQ(outcomes.size(), reports) << "the probe said:\n" << probe.transcript();
        return outcomes;
    }
};

TEST_F(NetworkLimits, APeerThatNeverStopsSendingCannotHoldACall) {
    const auto outcomes = runProbe("endless-sender", 3);
    if (!outcomes) {
        GTEST_SKIP() << "skipped: no private network namespace can be made here (unshare -n)";
    }
    // At 9600 bit/s the limit is the wire time of 94 bytes and the 250 ms margin: 348 ms.
    for (const Outcome& outcome : *outcomes) {
        EXPECT_TRUE(outcome.status == MF_ERR_TIMEOUT || outcome.status == MF_ERR_BAD_FRAME)
            << outcome.status;
        EXPECT_LT(outcome.milliseconds, 1500);
    }
}

TEST_F(NetworkLimits, AHostNameNoServerAnswersForIsLookedUpWithinTheConnectLimit) {
    const auto outcomes = runProbe("silent-name-server", 1);
    if (!outcomes) {
        GTEST_SKIP() << "skipped: no private network namespace can be made here (unshare -n)";
    }
    ASSERT_EQ(outcomes->size(), 1U);
    // The connect limit is 2 s; the silent name server would hold the lookup for 30 s.
    EXPECT_EQ(outcomes->front().status, MF_ERR_TIMEOUT);
    EXPECT_LT(outcomes->front().milliseconds, 3000);
}

} // namespace
