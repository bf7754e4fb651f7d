#include "emulator/host/ConsoleInput.h"

#include <unistd.h>

#include <iostream>
#include <utility>

namespace kov450 {

namespace {
// A console line is a short command; anything longer is a mistake, not something to buffer.
constexpr std::size_t kLongestLine = 4096;
} // namespace

ConsoleInput::ConsoleInput(asio::io_context& io, Console& console, Print print,
                           std::function<void()> quit)
    : console_(console), print_(std::move(print)), quit_(std::move(quit)), input_(io) {
    asio::error_code error;
    const int fd = ::dup(STDIN_FILENO);
    if (fd >= 0) {
        input_.assign(fd, error);
        // Files and /dev/null cannot be waited on; they are read at once instead.
        streaming_ = !error;
        if (error) {
            ::close(fd);
        }
    }
}

ConsoleInput::~ConsoleInput() {
    asio::error_code ignored;
    input_.close(ignored);
}

void ConsoleInput::start() {
    if (streaming_) {
        readLine();
        return;
    }
    for (std::string line; std::getline(std::cin, line);) {
        run(line);
    }
}

void ConsoleInput::readLine() {
    asio::async_read_until(input_, asio::dynamic_buffer(pending_, kLongestLine), '\n',
                           [this](const asio::error_code& error, std::size_t length) {
                               if (error == asio::error::not_found) {
                                   print_("error: line longer than " +
                                          std::to_string(kLongestLine) + " characters");
                                   pending_.clear();
                                   skippingRest_ = true;
                                   readLine();
                                   return;
                               }
                               if (error) {
                                   return; // End of input: the reader goes on serving.
                               }
                               const std::string line = pending_.substr(0, length - 1);
                               pending_.erase(0, length);
                               // The tail of an over-long line is no command of its own.
                               if (!std::exchange(skippingRest_, false)) {
                                   run(line);
                               }
                               readLine();
                           });
}

void ConsoleInput::run(const std::string& line) {
    const ConsoleReply reply = console_.execute(line);
    // Saved before the reply is seen, so that what a reply reports has lasted.
    if (afterLine_) {
        afterLine_();
    }
    for (const std::string& text : reply.lines) {
        print_(text);
    }
    if (reply.quit) {
        quit_();
    }
}

} // namespace kov450
