#include "emulator/host/ConsoleInput.h"

#include "emulator/host/ErrorLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

namespace kov450 {

namespace {
// A console line is a short command; anything longer is a mistake, not something to buffer.
constexpr std::size_t kLongestLine = 4096;
// How often a console in the background looks whether it has the terminal again.
constexpr std::chrono::seconds kBackgroundRetry{1};

/// Standard input to read without blocking. Asio makes its descriptor non-blocking, a flag of
/// the open file that a dup shares: on a terminal, that file is the shell's too, which would
/// then see EAGAIN and clear the flag under our feet. A terminal is therefore opened anew.
int ownStandardInput() {
    if (::isatty(STDIN_FILENO)) {
        const int fd = ::open("/proc/self/fd/0", O_RDONLY | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            return fd;
        }
    }
    return ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
}
} // namespace

ConsoleInput::ConsoleInput(asio::io_context& io, ReaderSession& session, Print print,
                           std::function<void()> quit)
    : session_(session), print_(std::move(print)), quit_(std::move(quit)), input_(io), retry_(io),
      lines_(kLongestLine) {
    asio::error_code error;
    const int fd = ownStandardInput();
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
                               if (terminalInBackground(error)) {
                                   if (!reportedBackground_) {
                                       print_("console: kov450-emu runs in the background; the "
                                              "reader goes on, the console reads again after fg");
                                       reportedBackground_ = true;
                                   }
                                   retry_.expires_after(kBackgroundRetry);
                                   retry_.async_wait([this](const asio::error_code& stopped) {
                                       if (!stopped) {
                                           readMore();
                                       }
                                   });
                                   return;
                               }
                               reportedBackground_ = false;
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

bool ConsoleInput::terminalInBackground(const asio::error_code& error) {
    // With SIGTTIN ignored, a read from a job in the background fails with EIO; so does one
    // from a terminal that hung up, which has no foreground process group any more.
    if (error != std::error_code(EIO, asio::error::get_system_category())) {
        return false;
    }
    const pid_t foreground = ::tcgetpgrp(input_.native_handle());
    return foreground > 0 && foreground != ::getpgrp();
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
    const ConsoleReply reply = session_.apply(ConsoleCommand{line});
    for (const std::string& text : reply.lines) {
        print_(text);
    }
    if (reply.quit) {
        quit_();
    }
    return !reply.quit;
}

} // namespace kov450
