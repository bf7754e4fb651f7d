// kov450-emu: an emulated KOV450 reader on a pseudo-terminal, published under port names, with
// a line console on standard input and, unless headless, a window.
//
// Threads: without a window the Asio loop runs on the main thread. With one, Qt owns the main
// thread and the Asio loop runs on a thread of its own, which alone touches the reader, the
// console and the state folder; the window sees copies (see WindowBridge).
#include "cli/InfoOptions.h"
#include "emulator/host/Console.h"
#include "emulator/host/ConsoleInput.h"
#include "emulator/host/EndingSignals.h"
#include "emulator/host/ErrorLine.h"
#include "emulator/host/LastingChange.h"
#include "emulator/host/LineServer.h"
#include "emulator/host/Options.h"
#include "emulator/host/PortLinks.h"
#include "emulator/host/PtyHost.h"
#include "emulator/pcsc/VpcdLink.h"
#include "emulator/state/StateFile.h"
#include "emulator/state/StateStore.h"
#include "emulator/window/EmulatorWindow.h"
#include "emulator/window/WindowBridge.h"
#include "ports/PortFolder.h"
#include "text/PrintableText.h"

#include <QApplication>

#include <asio.hpp>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <thread>

namespace {

// Lines carry what users typed and file names: nothing of it may steer the terminal.
void printLine(const std::string& line) {
    std::cout << text::printable(line) << std::endl;
}

void printProblem(const std::optional<std::string>& problem) {
    if (problem) {
        printLine(*problem);
    }
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

int serve(const kov450::Options& options, bool withWindow, int& argc, char** argv) {
    // Refused before the state folder is touched: an emulator that cannot publish does nothing.
    ports::SafeFolder portFolder = kov450::openPortFolder(ports::portFolder());
    const std::filesystem::path folder = portFolder.path();
    kov450::StateStore store(options.stateFolder.empty()
                                 ? kov450::defaultStateFolder()
                                 : std::filesystem::path(options.stateFolder));
    kov450::Reader reader;
    const auto loaded = store.load(reader);
    for (const std::string& message : loaded.messages) {
        printLine(message);
    }
    if (!loaded.restored && options.defaultCard) {
        const kov450::Uid uid{0xA1, 0xB2, 0xC3, 0xD4};
        reader.present(reader.addCard(
            kov450::MifareClassic::makeDefault(kov450::CardKind::Classic1K, uid, 50)));
    }
    const kov450::SaveState save = [&]() -> std::optional<std::string> {
        const auto problem = store.saveIfChanged(reader);
        return problem ? std::optional(kov450::errorLine(*problem)) : std::nullopt;
    };
    printProblem(save());

    kov450::LineFaults faults;
    kov450::Console console(reader, faults);
    asio::io_context io(1);
    kov450::PtyHost pty;
    kov450::PortLinks links(std::move(portFolder), options.ports, pty.slavePath());

    asio::signal_set stopSignals(io);
    for (const int number : kov450::endingSignals()) {
        stopSignals.add(number);
    }
    int endedBy = 0;
    stopSignals.async_wait([&io, &endedBy](const asio::error_code& error, int number) {
        if (!error) {
            endedBy = number;
            io.stop();
        }
    });
    kov450::LineServer server(io, pty, reader, faults, options.pace, printLine,
                              [&links] { links.withdraw(); });
    std::unique_ptr<kov450::WindowBridge> bridge;
    std::unique_ptr<kov450::pcsc::VpcdLink> vpcd;
    const auto followField = [&] {
        if (vpcd) {
            vpcd->followField();
        }
    };
    const auto execute = [&](const std::string& line) {
        kov450::ConsoleReply reply =
            kov450::lastingChange(reader, save, [&] { return console.execute(line); });
        followField();
        if (bridge) {
            bridge->publish();
        }
        return reply;
    };
    kov450::ConsoleInput input(io, execute, printLine, [&io] { io.stop(); });
    const std::string where =
        "reader on " + pty.slavePath() + " as " + joined(options.ports) + " in " + folder.string();

    std::unique_ptr<QApplication> application;
    std::unique_ptr<kov450::EmulatorWindow> window;
    const std::string pcscWhere = options.pcsc
                                      ? ", card in the field served over PC/SC to vpcd at " +
                                            kov450::pcsc::describe(*options.pcsc)
                                      : "";
    if (withWindow) {
        application = std::make_unique<QApplication>(argc, argv);
        bridge = std::make_unique<kov450::WindowBridge>(
            io, reader,
            [&] {
                const auto problem = save();
                followField();
                return problem;
            },
            printLine);
        window = std::make_unique<kov450::EmulatorWindow>(*bridge);
        bridge->attach(*window);
        // The ports in the title tell two emulators on one desk apart.
        window->setWindowTitle(
            QStringLiteral("kov450-emu: %1").arg(QString::fromStdString(joined(options.ports))));
        window->setPorts(QString::fromStdString(joined(options.ports) + " (" + pty.slavePath() +
                                                ", links in " + folder.string() + ")" + pcscWhere));
        bridge->publish();
    }

    // Saved before the answer leaves, so that an acknowledged change has lasted.
    reader.setKeeper(kov450::lineKeeper(save, [&](const std::string& why) {
        printLine(why);
        if (bridge) {
            bridge->notice({why});
        }
    }));
    reader.setFrameObserver([&](const protocol::Frame& request, const protocol::Frame& answer) {
        if (bridge) {
            bridge->frameAnswered(request, answer);
        }
    });
    if (options.pcsc) {
        // A write over PC/SC lasts before its answer leaves, as one over the pty does.
        vpcd = std::make_unique<kov450::pcsc::VpcdLink>(io, reader, *options.pcsc, printLine, [&] {
            save();
            if (bridge) {
                bridge->publish();
            }
        });
    }
    server.start();
    printLine("ready: " + where + (options.pace ? ", paced" : "") + pcscWhere +
              (withWindow ? ", window open" : ""));
    if (vpcd) {
        vpcd->start();
    }
    input.start();
    if (withWindow) {
        window->show();
        const LoopThread loop(io);
        QApplication::exec();
    } else {
        io.run();
    }
    printLine("kov450-emu: ending" + (endedBy ? " on " + kov450::signalName(endedBy) : ""));
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
