#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace cli {

/// Why a Qt program's command line is refused, or nothing when QApplication may have it: every
/// argument is --help, -h, --version or one of Qt's own options (qt6options(7): -platform NAME,
/// -style NAME, -reverse, ...) with its value, spelt with one dash or two, as Qt reads them.
/// The programs take no operands. Pure; needs no display.
std::optional<std::string> refusedQtArgument(std::span<const std::string_view> arguments);

} // namespace cli
