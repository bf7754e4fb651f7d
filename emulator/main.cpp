// kov450-emu: an emulated KOV450 reader on a pseudo-terminal, published under port names, with
// a line console on standard input.
#include "emulator/host/Console.h"
#include "emulator/host/ConsoleInput.h"
#include "emulator/host/LineServer.h"
#include "emulator/host/Options.h"
#include "emulator/host/PortLinks.h"
#include "emulator/host/PtyHost.h"
#include "emulator/state/StateStore.h"
#include "mf_api/PortName.h"

#include <asio.hpp>

#include <csignal>
#include <exception>
#include <iostream>

namespace {

void printLine(const std::string& line) {
    std::cout << line << std::endl;
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

int serve(const kov450::Options& options) {
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
    printProblem(store.saveIfChanged(reader));
    // Saved before the answer leaves, so that an acknowledged change has lasted.
    reader.setFrameObserver([&](const protocol::Frame&, const protocol::Frame& answer) {
        if (answer.status == 0) {
            printProblem(store.saveIfChanged(reader));
        }
    });
    kov450::LineFaults faults;
    kov450::Console console(reader, faults);

    asio::io_context io(1);
    kov450::PtyHost pty;
    const auto folder = mfapi::portFolder();
    const kov450::PortLinks links(folder, options.ports, pty.slavePath());

    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&io](const asio::error_code& error, int) {
        if (!error) {
            io.stop();
        }
    });
    kov450::LineServer server(io, pty, reader, faults, options.pace, printLine);
    kov450::ConsoleInput input(io, console, printLine, [&io] { io.stop(); });
    input.setAfterLine([&] { printProblem(store.saveIfChanged(reader)); });
    server.start();
    printLine("ready: reader on " + pty.slavePath() + " as " + joined(options.ports) + " in " +
              folder.string() + (options.pace ? ", paced" : ""));
    input.start();
    io.run();
    printLine("kov450-emu: ending");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
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
    try {
        return serve(options);
    } catch (const std::exception& error) {
        std::cerr << "kov450-emu: " << error.what() << "\n";
        return 1;
    }
}
