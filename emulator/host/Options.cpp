#include "emulator/host/Options.h"

#include <algorithm>

namespace kov450 {

std::string usage() {
    return "usage: kov450-emu [--port NAME]... [--state DIR] [--pace] [--no-card] [--headless]\n"
           "                  [--pcsc [HOST:PORT]]\n"
           "  --port NAME  publish the reader under NAME in the port folder (default COM1 and "
           "USB)\n"
           "  --state DIR  keep the reader's settings and cards in DIR (default\n"
           "               $XDG_STATE_HOME/kov450-emu, else ~/.local/state/kov450-emu)\n"
           "  --pace       make each frame take its wire time at the reader's line speed\n"
           "  --no-card    a fresh state holds no card (otherwise one 1K card A1B2C3D4 lies in "
           "the\n"
           "               field)\n"
           "  --headless   no window (the console on standard input is always there)\n"
           "  --pcsc [HOST:PORT]  also serve the card in the field to vsmartcard's vpcd driver\n"
           "               of pcscd (default 127.0.0.1:35963), as a card in a PC/SC reader\n"
           "  --version    print the version; --help this text\n"
           "The port folder is $MF_API_PORTS, else $XDG_RUNTIME_DIR/mf_api/ports, else\n"
           "/tmp/mf_api-UID/ports.\n";
}

std::variant<Options, std::string> parseOptions(const std::vector<std::string_view>& arguments) {
    Options options;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view argument = arguments[at];
        if (argument == "--port") {
            if (at + 1 >= arguments.size()) {
                return std::string("--port needs a name");
            }
            const std::string_view name = arguments[++at];
            if (name.empty() || name.find('/') != std::string_view::npos || name == "." ||
                name == "..") {
                return "a port name is a plain name such as COM1, not '" + std::string(name) + "'";
            }
            options.ports.emplace_back(name);
        } else if (argument == "--state") {
            if (at + 1 >= arguments.size() || arguments[at + 1].empty()) {
                return std::string("--state needs a folder");
            }
            options.stateFolder = arguments[++at];
        } else if (argument == "--pace") {
            options.pace = true;
        } else if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--no-card") {
            options.defaultCard = false;
        } else if (argument == "--pcsc") {
            options.pcsc = pcsc::VpcdEndpoint{};
            // The endpoint is optional: a next word that is no option is it.
            if (at + 1 < arguments.size() && !arguments[at + 1].starts_with("-")) {
                const auto endpoint = pcsc::parseVpcdEndpoint(arguments[++at]);
                if (!endpoint) {
                    return "--pcsc takes HOST:PORT, not '" + std::string(arguments[at]) + "'";
                }
                options.pcsc = *endpoint;
            }
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else {
            return "unknown argument '" + std::string(argument) + "'";
        }
    }
    if (options.ports.empty()) {
        options.ports = {"COM1", "USB"};
    }
    std::sort(options.ports.begin(), options.ports.end());
    options.ports.erase(std::unique(options.ports.begin(), options.ports.end()),
                        options.ports.end());
    return options;
}

} // namespace kov450
