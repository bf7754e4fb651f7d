#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kov450 {

/// The emulator's command line.
struct Options {
    std::vector<std::string> ports;
    bool pace = false;
    bool headless = false;
    bool defaultCard = true;
    bool help = false;
    /// Where the reader's EEPROM and wallet last; empty for the default folder.
    std::string stateFolder;
};

/// Parses the arguments after the program name; an error message when they make no sense.
std::variant<Options, std::string> parseOptions(const std::vector<std::string_view>& arguments);

std::string usage();

} // namespace kov450
