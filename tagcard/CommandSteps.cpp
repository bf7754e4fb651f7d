#include "tagcard/CommandSteps.h"

#include <MF_API.h>

namespace tagcard {

std::optional<int> portFailure(Tool& tool, std::string_view command, const OpenPort& port) {
    if (port.status() == MF_OK) {
        return std::nullopt;
    }
    return tool.report.failure(command, "cannot open port " + tool.port, ExitCode::LibraryStatus,
                               port.status());
}

std::variant<CardAccess, int> selectedCard(Tool& tool, std::string_view command, bool mustWalk) {
    FoundCard found;
    if (const std::int32_t status = findCard(tool.api, MF_REQUEST_ALL, found); status != MF_OK) {
        return tool.report.failed(
            command, status == MF_ERR_NO_CARD ? "no card in the field" : "no card found", status);
    }
    if (mustWalk && !found.kind) {
        return tool.report.failure(command,
                                   "card " + uidText(found.uid) + " (" + typeText(found) +
                                       ") is not a MIFARE Classic 1K or 4K card",
                                   ExitCode::Usage);
    }
    CardAccess card(tool.api, found);
    if (const std::int32_t status = card.select(); status != MF_OK) {
        return tool.report.failed(command, "cannot select card " + uidText(found.uid), status);
    }
    return card;
}

std::optional<int> outsideCard(Tool& tool, std::string_view command, CardKind kind, int first,
                               int count) {
    const int last = first + count - 1;
    if (last < blockCount(kind)) {
        return std::nullopt;
    }
    return tool.report.failure(command,
                               "block " + std::to_string(last) + " is beyond a " +
                                   std::string(kindName(kind)) + " card (blocks 0 to " +
                                   std::to_string(blockCount(kind) - 1) + "): nothing was done",
                               ExitCode::Usage);
}

} // namespace tagcard
