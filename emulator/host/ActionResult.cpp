#include "emulator/host/ActionResult.h"

#include "emulator/host/ErrorLine.h"

namespace kov450 {

std::vector<std::string> linesOf(const ActionResult& result) {
    if (const auto* refused = std::get_if<ActionRefused>(&result)) {
        return {errorLine(refused->reason)};
    }
    return std::get<ActionDone>(result).lines;
}

} // namespace kov450
