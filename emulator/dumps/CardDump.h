#pragma once

#include "emulator/model/MifareClassic.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace kov450 {

/// The card dump formats other tools use. Raw: the card's memory byte for byte, 1024 or 4096
/// bytes, keys A and B in the trailers (as libnfc's nfc-mfclassic writes `.mfd` files; `.bin`
/// and `.dump` are the same bytes). Eml: the same memory as text, one block of 32 hex digits a
/// line (the emulator memory files of the Proxmark tools).
enum class DumpFormat { Raw, Eml };

/// The longest dump file there is: a 4K card as text, 256 lines of 32 hex digits with Windows
/// line ends. Anything longer is no dump and is not read.
inline constexpr std::size_t kLongestDumpFile = 256 * (32 + 2);

/// The format a file name asks for: `.eml` is text, `.mfd`, `.bin` and `.dump` raw; nothing for
/// any other name.
std::optional<DumpFormat> dumpFormatOf(const std::filesystem::path& path);

/// A card from a dump's contents. The format comes from the size when the name says nothing:
/// 1024 or 4096 bytes are raw, anything else is tried as text. A message when it is no card.
[[nodiscard]] std::variant<MifareClassic, std::string>
cardFromDump(std::string_view contents, std::optional<DumpFormat> format);

/// The card's memory as an `.eml` text: upper-case hex, one block a line, each line ended.
std::string emlText(const MifareClassic& card);

/// Reads a dump file; a message when it cannot be read or is no card.
[[nodiscard]] std::variant<MifareClassic, std::string>
readCardDump(const std::filesystem::path& path);

/// Writes the card to `path` in the format its name asks for (raw when it says nothing), crash
/// safe; a message when it failed.
[[nodiscard]] std::optional<std::string> writeCardDump(const MifareClassic& card,
                                                       const std::filesystem::path& path);

} // namespace kov450
