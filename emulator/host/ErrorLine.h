#pragma once

#include <string>
#include <string_view>

namespace kov450 {

/// A line that tells a person something went wrong: "error: " and the reason. Scripts and
/// tests look for that prefix, so every error the emulator prints is made here.
std::string errorLine(std::string_view reason);

} // namespace kov450
