#include "Emulator.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace bench {

using namespace std::chrono_literals;

Emulator::Emulator(bool paced) {
    ::setenv("MF_API_PORTS", ports_.path().c_str(), 1);
    // Headless, and with a state folder of its own: a run never touches the user's emulator.
    std::vector<std::string> argv{KOV450_EMU_PATH, "--headless", "--state",
                                  (ports_.path() / "state").string()};
    if (paced) {
        argv.emplace_back("--pace");
    }
    process_ = std::make_unique<testing_support::ChildProcess>(
        argv,
        std::vector<std::pair<std::string, std::string>>{{"MF_API_PORTS", ports_.path().string()}});
    if (!process_->waitForLine("ready:", 10s)) {
        throw std::runtime_error("kov450-emu did not start: " + process_->transcript());
    }
}

Emulator::~Emulator() = default;

void Emulator::console(const std::string& line, const std::string& expected) {
    process_->writeLine(line);
    if (!process_->waitForLine(expected, 5s)) {
        throw std::runtime_error("no '" + expected + "' after '" + line + "'");
    }
}

void Emulator::send(const std::string& line) {
    process_->writeLine(line);
}

double median(std::vector<double>& samples) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace bench
