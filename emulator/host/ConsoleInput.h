#pragma once

#include "emulator/host/Console.h"
#include "emulator/host/ConsoleLines.h"
#include "emulator/host/ReaderSession.h"

#include <asio.hpp>

#include <array>
#include <functional>
#include <string>

namespace kov450 {

/// Feeds lines from standard input to the console and prints its replies. A pipe or terminal
/// is read as lines arrive; a file is read at once. The end of input ends only the console.
/// A terminal that belongs to another job (the emulator started with `&`) is read again each
/// second until the emulator is in the foreground; the reader is served all the while.
class ConsoleInput {
public:
    using Print = std::function<void(const std::string&)>;

    /// Each line goes to `session`, which makes its change last before its reply is printed.
    ConsoleInput(asio::io_context& io, ReaderSession& session, Print print,
                 std::function<void()> quit);
    ~ConsoleInput();
    ConsoleInput(const ConsoleInput&) = delete;
    ConsoleInput& operator=(const ConsoleInput&) = delete;

    void start();

private:
    void readMore();
    /// Whether a read refused with this error may succeed later: the terminal is ours again.
    bool terminalInBackground(const asio::error_code& error);
    /// Runs the lines these bytes complete; false once a line asked to quit.
    bool take(std::string_view bytes);
    bool run(const std::string& line);

    ReaderSession& session_;
    Print print_;
    std::function<void()> quit_;
    asio::posix::stream_descriptor input_;
    asio::steady_timer retry_;
    ConsoleLines lines_;
    std::array<char, 4096> chunk_{};
    bool streaming_ = false;
    bool reportedBackground_ = false;
};

} // namespace kov450
