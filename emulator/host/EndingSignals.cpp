#include "emulator/host/EndingSignals.h"

#include <csignal>
#include <cstring>

namespace kov450 {

std::vector<int> endingSignals() {
    std::vector<int> signals{SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGALRM,   SIGUSR1, SIGUSR2,
                             SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT, SIGXCPU};
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
        signals.push_back(number);
    }
    return signals;
}

void ignoreHarmlessSignals() {
    for (const int number : {SIGPIPE, SIGTTIN, SIGTTOU, SIGXFSZ}) {
        std::signal(number, SIG_IGN);
    }
}

std::string signalName(int number) {
    if (number >= SIGRTMIN && number <= SIGRTMAX) {
        return number == SIGRTMIN ? "SIGRTMIN" : "SIGRTMIN+" + std::to_string(number - SIGRTMIN);
    }
    const char* abbreviation = ::sigabbrev_np(number);
    return abbreviation ? std::string("SIG") + abbreviation : "signal " + std::to_string(number);
}

EndOnSignals::EndOnSignals(asio::io_context& io) : signals_(io) {
    for (const int number : endingSignals()) {
        signals_.add(number);
    }
    signals_.async_wait([this, &io](const asio::error_code& error, int number) {
        if (!error) {
            endedBy_ = number;
            io.stop();
        }
    });
}

std::string EndOnSignals::endingLine() const {
    return "kov450-emu: ending" + (endedBy_ != 0 ? " on " + signalName(endedBy_) : "");
}

} // namespace kov450
