#pragma once

#include "emulator/model/Reader.h"

#include <filesystem>
#include <string>
#include <variant>

namespace kov450 {

/// Adds the card of a dump file to the reader's wallet, into the field when asked; the card's
/// index, or a message when the file is no card or its UID is in the wallet already.
[[nodiscard]] std::variant<std::size_t, std::string>
importCardFile(Reader& reader, const std::filesystem::path& path, bool present);

} // namespace kov450
