#include "emulator/host/ConsoleInput.h"

#include "emulator/host/ErrorLine.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kov450 {

namespace {
// A console line is a short command; anything longer is a mistake, not something to buffer.
constexpr std::size_t kLongestLine = 4096;
} // namespace

ConsoleInput::ConsoleInput(asio::io_context& io, Execute execute, Print print,
                           std::function<void()> quit)
    : execute_(std::move(execute)), print_(std::move(print)), quit_(std::move(quit)), input_(io),
      lines_(kLongestLine) {
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
        readMore();
        return;
    }
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, chunk_.data(), chunk_.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        if (!take(std::string_view(chunk_.data(), static_cast<std::size_t>(got)))) {
            return;
        }
    }
    if (const auto last = lines_.finish()) {
        run(*last);
    }
}

void ConsoleInput::readMore() {
    input_.async_read_some(asio::buffer(chunk_),
                           [this](const asio::error_code& error, std::size_t length) {
                               if (error == asio::error::operation_aborted) {
                                   return;
                               }
                               if (error) {
                                   // End of input: the reader goes on serving.
                                   if (const auto last = lines_.finish()) {
                                       run(*last);
                                   }
                                   return;
                               }
                               if (take(std::string_view(chunk_.data(), length))) {
                                   readMore();
                               }
                           });
}

bool ConsoleInput::take(std::string_view bytes) {
    for (const ConsoleLines::Piece& piece : lines_.feed(bytes)) {
        if (!piece) {
            print_(
                errorLine("line longer than " + std::to_string(lines_.longest()) + " characters"));
        } else if (!run(*piece)) {
            return false;
        }
    }
    return true;
}

bool ConsoleInput::run(const std::string& line) {
    const ConsoleReply reply = execute_(line);
    for (const std::string& text : reply.lines) {
        print_(text);
    }
    if (reply.quit) {
        quit_();
    }
    return !reply.quit;
}

} // namespace kov450
