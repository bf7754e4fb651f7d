#pragma once

#include "emulator/pcsc/VpcdEndpoint.h"

#include <optional>
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
    /// Where to serve the card in the field to vsmartcard's vpcd driver, if at all.
    std::optional<pcsc::VpcdEndpoint> pcsc;
};

/// Parses the arguments after the program name; an error message when they make no sense.
[[nodiscard]] std::variant<Options, std::string>
parseOptions(const std::vector<std::string_view>& arguments);

std::string usage();

} // namespace kov450
