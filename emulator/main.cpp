// kov450-emu: an emulated KOV450 reader on a pseudo-terminal, published under port names, with
// a line console on standard input, unless headless a window, and on request a card for vpcd.
//
// This file only builds the parts and connects them. One way in: the line server, the console,
// the window and the link to vpcd hand their operations to the reader's session, whose one
// keeper saves each change before its answer leaves (StateKeeper).
//
// Threads: without a window the Asio loop runs on the main thread. With one, Qt owns the main
// thread and the Asio loop runs on a thread of its own, which alone touches the reader, the
// console and the state folder; the window sees copies (see WindowBridge).
#include "cli/InfoOptions.h"
#include "emulator/host/ConsoleInput.h"
#include "emulator/host/EndingSignals.h"
#include "emulator/host/LineServer.h"
#include "emulator/host/Options.h"
#include "emulator/host/PortLinks.h"
#include "emulator/host/PtyHost.h"
#include "emulator/host/ReaderSession.h"
#include "emulator/host/ReaderStart.h"
#include "emulator/host/StateKeeper.h"
#include "emulator/pcsc/VpcdLink.h"
#include "emulator/state/StateStore.h"
#include "emulator/window/EmulatorWindow.h"
#include "emulator/window/WindowBridge.h"
#include "ports/PortFolder.h"
#include "text/PrintableText.h"

#include <QApplication>

#include <asio.hpp>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <thread>

namespace {

// Lines carry what users typed and file names: nothing of it may steer the terminal.
void printLine(const std::string& line) {
    std::cout << text::printable(line) << std::endl;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

/// Whether a window can be shown at all: a display, or a Qt platform chosen on purpose.
bool displayAvailable() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (const char* value = std::getenv(variable); value && *value) {
            return true;
        }
    }
    return false;
}

/// The Asio loop on its own thread; stopped and joined however the window's loop ended.
class LoopThread {
public:
    explicit LoopThread(asio::io_context& io) : io_(io) {
        thread_ = std::thread([this] {
            io_.run();
            // The loop ended (quit on the console, a signal): the window goes too.
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        });
    }
    ~LoopThread() {
        io_.stop();
        thread_.join();
    }
    LoopThread(const LoopThread&) = delete;
    LoopThread& operator=(const LoopThread&) = delete;

private:
    asio::io_context& io_;
    std::thread thread_;
};

/// The window and the application it needs, on the main thread, showing the reader's session.
class WindowSide {
public:
    WindowSide(int& argc, char** argv, asio::io_context& io, kov450::ReaderSession& session,
               const std::string& ports, const std::string& where)
        : application_(argc, argv), bridge_(io, session, printLine), window_(bridge_) {
        bridge_.attach(window_);
        // The ports in the title tell two emulators on one desk apart.
        window_.setWindowTitle(QStringLiteral("kov450-emu: %1").arg(QString::fromStdString(ports)));
        window_.setPorts(QString::fromStdString(where));
        bridge_.publish();
    }

    kov450::WindowBridge& bridge() { return bridge_; }

    /// Runs the window until it closes or the reader's loop ends.
    void run(asio::io_context& io) {
        window_.show();
        const LoopThread loop(io);
        QApplication::exec();
    }

private:
    QApplication application_;
    kov450::WindowBridge bridge_;
    kov450::EmulatorWindow window_;
};

int serve(const kov450::Options& options, bool withWindow, int& argc, char** argv) {
    // Refused before the state folder is touched: an emulator that cannot publish does nothing.
    ports::SafeFolder portFolder = kov450::openPortFolder(ports::portFolder());
    const std::filesystem::path folder = portFolder.path();
    kov450::StateStore store(options.stateFolder.empty()
                                 ? kov450::defaultStateFolder()
                                 : std::filesystem::path(options.stateFolder));
    kov450::Reader reader;
    kov450::restoreReader(reader, store, options.defaultCard, printLine);

    kov450::StateKeeper keeper(store, reader, printLine);
    kov450::LineFaults faults;
    kov450::ReaderSession session(reader, faults, keeper);

    asio::io_context io(1);
    kov450::EndOnSignals ending(io);
    kov450::PtyHost pty;
    kov450::PortLinks links(std::move(portFolder), options.ports, pty.slavePath());
    kov450::LineServer server(io, pty, session, faults, options.pace, printLine,
                              [&links] { links.withdraw(); });
    kov450::ConsoleInput input(io, session, printLine, [&io] { io.stop(); });
    std::optional<kov450::pcsc::VpcdLink> vpcd;
    if (options.pcsc) {
        vpcd.emplace(io, reader, *options.pcsc, printLine, session);
        keeper.follow(*vpcd);
    }

    const std::string ports = joined(options.ports);
    const std::string pcscWhere = options.pcsc
                                      ? ", card in the field served over PC/SC to vpcd at " +
                                            kov450::pcsc::describe(*options.pcsc)
                                      : "";
    std::optional<WindowSide> window;
    if (withWindow) {
        window.emplace(argc, argv, io, session, ports,
                       ports + " (" + pty.slavePath() + ", links in " + folder.string() + ")" +
                           pcscWhere);
        keeper.showIn(window->bridge());
    }

    server.start();
    printLine("ready: reader on " + pty.slavePath() + " as " + ports + " in " + folder.string() +
              (options.pace ? ", paced" : "") + pcscWhere + (withWindow ? ", window open" : ""));
    if (vpcd) {
        vpcd->start();
    }
    input.start();
    if (window) {
        window->run(io);
    } else {
        io.run();
    }
    printLine(ending.endingLine());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    kov450::ignoreHarmlessSignals();
    if (const auto status =
            cli::answerInfoOptions(argc, argv, {"kov450-emu", kov450::usage(), {}})) {
        return *status;
    }
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const auto parsed = kov450::parseOptions(arguments);
    if (const auto* message = std::get_if<std::string>(&parsed)) {
        std::cerr << "kov450-emu: " << *message << "\n" << kov450::usage();
        return 2;
    }
    const auto& options = std::get<kov450::Options>(parsed);
    if (options.help) {
        std::cout << kov450::usage();
        return 0;
    }
    const bool withWindow = !options.headless && displayAvailable();
    if (!options.headless && !withWindow) {
        printLine("kov450-emu: no display, running headless");
    }
    try {
        return serve(options, withWindow, argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "kov450-emu: " << error.what() << "\n";
        return 1;
    }
}
