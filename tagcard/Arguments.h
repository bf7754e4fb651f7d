#pragma once

// What a user types on tagcard's command line and in its key lists, read into values or refused
// with a message that says what was wrong. Pure.

#include "tagcard/CardLayout.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tagcard {

/// A value, or why the text is not one.
template <typename T> using Parsed = std::variant<T, std::string>;

/// A key with the type it opens a sector as (MF_KEY_A or MF_KEY_B).
struct SectorKey {
    std::int32_t type;
    Key bytes;

    bool operator==(const SectorKey&) const = default;
};

/// The panel's start-up key: the six key boxes' 7D, as key B (its "KEY A" box unticked).
SectorKey panelKey();

/// "A:7D7D7D7D7D7D" or "B:...": the key type's letter in either case, a colon, 12 hex digits.
[[nodiscard]] Parsed<SectorKey> parseKey(std::string_view text);

/// The keys a trailer gets: "A:HEX12,B:HEX12", both, in either order.
struct NewKeys {
    Key a;
    Key b;

    bool operator==(const NewKeys&) const = default;
};
[[nodiscard]] Parsed<NewKeys> parseNewKeys(std::string_view text);

/// A key list: one key of 12 hex digits a line; blank lines and lines starting with # are
/// skipped, and so are blanks around a key. A list with no key is refused.
[[nodiscard]] Parsed<std::vector<Key>> parseKeyList(std::string_view text);

/// One block as 32 hex digits.
[[nodiscard]] Parsed<Block> parseBlockHex(std::string_view text);

/// A whole decimal number from `least` to `most`; `what` names it in the message.
[[nodiscard]] Parsed<int> parseNumber(std::string_view text, int least, int most,
                                      std::string_view what);

/// Upper-case hex, two digits a byte: 0A 1B gives "0A1B".
std::string hexText(std::span<const std::uint8_t> bytes);

} // namespace tagcard
