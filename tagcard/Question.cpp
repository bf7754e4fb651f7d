#include "tagcard/Question.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <string>

namespace tagcard {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kLongestAnswer = 256;

bool saysYes(std::string line) {
    std::transform(line.begin(), line.end(), line.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line == "y" || line == "yes";
}

void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

Answer askYesNo(int input, int output, std::string_view question,
                std::chrono::milliseconds patience, const InterruptSignals& interrupts) {
    writeAll(output, question);
    const auto deadline = Clock::now() + patience;
    std::string line;
    bool tooLong = false;
    for (;;) {
        if (interrupts.caught()) {
            return Answer::Interrupted;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            writeAll(output, "\n");
            return Answer::NoAnswerInTime;
        }
        std::array<pollfd, 2> ready{pollfd{input, POLLIN, 0}, pollfd{interrupts.fd(), POLLIN, 0}};
        const int events = ::poll(ready.data(), ready.size(), static_cast<int>(left.count()));
        // A Ctrl-C typed before the line's end wins over the line.
        if (interrupts.caught()) {
            return Answer::Interrupted;
        }
        if (events <= 0 || (ready[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        std::array<char, 64> chunk{};
        const ssize_t got = ::read(input, chunk.data(), chunk.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got <= 0) {
            return Answer::No;
        }
        for (const char c : std::string_view(chunk.data(), static_cast<std::size_t>(got))) {
            if (c == '\n') {
                return !tooLong && saysYes(line) ? Answer::Yes : Answer::No;
            }
            if (line.size() < kLongestAnswer) {
                line += c;
            } else {
                tooLong = true;
            }
        }
    }
}

} // namespace tagcard
