#pragma once

// Steps the commands share: the port opened, the card in the field found, each failure
// reported with its exit status.

#include "tagcard/CardAccess.h"
#include "tagcard/Commands.h"

#include <string_view>
#include <variant>

namespace tagcard {

/// The exit status when the port could not be opened (reported); nothing when it is open.
std::optional<int> portFailure(Tool& tool, std::string_view command, const OpenPort& port);

/// The card in the field, woken whether idle or halted, and selected; or the exit status of
/// why not (reported). A card of a kind tagcard cannot walk is refused when `mustWalk`.
std::variant<CardAccess, int> selectedCard(Tool& tool, std::string_view command, bool mustWalk);

/// A block range inside the card: the exit status (reported) when it is not.
std::optional<int> outsideCard(Tool& tool, std::string_view command, CardKind kind, int first,
                               int count);

} // namespace tagcard
