#include "cli/QtArguments.h"

#include <algorithm>
#include <array>

namespace cli {

namespace {

struct QtOption {
    std::string_view name; ///< With one dash.
    bool takesValue;
    bool takesJoinedValue; ///< Also -name=VALUE.
};

// QGuiApplication's, QApplication's, QCoreApplication's and the X11 platform's options.
constexpr std::array kQtOptions{
    QtOption{"-platform", true, false},        QtOption{"-platformpluginpath", true, false},
    QtOption{"-platformtheme", true, false},   QtOption{"-plugin", true, false},
    QtOption{"-qwindowgeometry", true, false}, QtOption{"-geometry", true, false},
    QtOption{"-qwindowtitle", true, false},    QtOption{"-title", true, false},
    QtOption{"-qwindowicon", true, false},     QtOption{"-icon", true, false},
    QtOption{"-display", true, false},         QtOption{"-name", true, false},
    QtOption{"-session", true, true},          QtOption{"-style", true, true},
    QtOption{"-stylesheet", true, true},       QtOption{"-qmljsdebugger", true, true},
    QtOption{"-reverse", false, false},        QtOption{"-widgetcount", false, false},
    QtOption{"-testability", false, false},
};

} // namespace

std::optional<std::string> refusedQtArgument(std::span<const std::string_view> arguments) {
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view argument = arguments[at];
        if (argument == "--help" || argument == "-h" || argument == "--version") {
            continue;
        }
        // Qt reads --platform as -platform.
        const std::string_view spelt = argument.starts_with("--") ? argument.substr(1) : argument;
        const auto option =
            std::find_if(kQtOptions.begin(), kQtOptions.end(), [spelt](const QtOption& candidate) {
                return spelt == candidate.name ||
                       (candidate.takesJoinedValue && spelt.starts_with(candidate.name) &&
                        spelt.substr(candidate.name.size()).starts_with('='));
            });
        if (option == kQtOptions.end()) {
            return "unknown argument '" + std::string(argument) + "'";
        }
        if (spelt == option->name && option->takesValue) {
            if (at + 1 == arguments.size()) {
                return std::string(argument) + " needs a value";
            }
            ++at;
        }
    }
    return std::nullopt;
}

} // namespace cli
