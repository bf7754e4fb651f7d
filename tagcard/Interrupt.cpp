#include "tagcard/Interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cassert>
#include <csignal>
#include <stdexcept>

namespace tagcard {

namespace {

constexpr std::array kCaught{SIGINT, SIGTERM, SIGHUP};

// A signal handler can reach nothing but globals: the signal caught and the pipe it wakes.
std::atomic<int> caughtSignal{0};
std::array<int, 2> wakePipe{-1, -1};
std::array<struct sigaction, kCaught.size() + 1> previous{};

extern "C" void onSignal(int number) {
    int expected = 0;
    caughtSignal.compare_exchange_strong(expected, number);
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakePipe[1], &byte, 1);
}

} // namespace

InterruptSignals::InterruptSignals() {
    assert(wakePipe[0] < 0 && "one InterruptSignals at a time");
    if (::pipe2(wakePipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot make the pipe that signals wake");
    }
    caughtSignal = 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Calls the library is in restart: each has a deadline of its own, and a purchase's write
    // runs to its answer, so that the journal can record it.
    action.sa_flags = SA_RESTART;
    for (std::size_t at = 0; at < kCaught.size(); ++at) {
        ::sigaction(kCaught[at], &action, &previous[at]);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &previous.back());
}

InterruptSignals::~InterruptSignals() {
    for (std::size_t at = 0; at < kCaught.size(); ++at) {
        ::sigaction(kCaught[at], &previous[at], nullptr);
    }
    ::sigaction(SIGPIPE, &previous.back(), nullptr);
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe = {-1, -1};
}

std::optional<int> InterruptSignals::caught() const {
    const int number = caughtSignal.load();
    return number != 0 ? std::optional<int>(number) : std::nullopt;
}

int InterruptSignals::fd() const {
    return wakePipe[0];
}

bool InterruptSignals::pause(std::chrono::milliseconds duration) const {
    if (caught()) {
        return false;
    }
    pollfd wake{wakePipe[0], POLLIN, 0};
    const int ready = ::poll(&wake, 1, static_cast<int>(duration.count()));
    return ready <= 0 && !caught();
}

} // namespace tagcard
