#include "Ser2net.h"

#include "Emulator.h"

#include "e2e/ChildProcess.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr int kRounds = 300;
// The network hop may cost this many times the pty's round trip before the row says NO.
constexpr double kBudget = 4.0;

} // namespace

void measureSer2net(Table& table) {
    const std::string what = "MF_Read 1 block";
    if (::access("/usr/sbin/ser2net", X_OK) != 0) {
        table.skip("ser2net", what, "no /usr/sbin/ser2net (package ser2net)");
        return;
    }
    const Emulator emulator(false);
    const std::filesystem::path pty =
        std::filesystem::read_symlink(std::filesystem::path(std::getenv("MF_API_PORTS")) / "COM1");
    std::vector<std::string> argv{"/usr/bin/unshare", "--net", "--mount"};
    if (::geteuid() != 0) {
        argv.insert(argv.begin() + 1, {"--user", "--map-root-user"});
    }
    argv.insert(argv.end(), {MF_API_SER2NET_PROBE_PATH, "bench", KOV_SER2NET_CONFIG, pty.string(),
                             std::to_string(kRounds)});
    testing_support::ChildProcess probe(argv);
    double direct = -1;
    double served = -1;
    if (const auto line = probe.waitForLine("median-us ", 60s)) {
        std::sscanf(line->c_str(), "median-us pty=%lf ser2net=%lf", &direct, &served);
    }
    if (direct <= 0 || served <= 0) {
        table.skip("ser2net", what, "not measured: " + probe.transcript().substr(0, 120));
        return;
    }
    table.add({"ser2net", what, served, direct * kBudget, "us", true,
               "median of " + std::to_string(kRounds) + "; pty directly " +
                   std::to_string(static_cast<int>(direct)) + " us, x" +
                   std::to_string(served / direct).substr(0, 4) +
                   "; limit: " + std::to_string(static_cast<int>(kBudget)) + " x pty"});
}

} // namespace bench
