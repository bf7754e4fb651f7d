#include "emulator/host/ConsoleLines.h"

namespace kov450 {

std::vector<ConsoleLines::Piece> ConsoleLines::feed(std::string_view bytes) {
    std::vector<Piece> pieces;
    while (!bytes.empty()) {
        const std::size_t newline = bytes.find('\n');
        const std::string_view part = bytes.substr(0, newline);
        if (!skipping_) {
            if (pending_.size() + part.size() > longest_) {
                pending_.clear();
                skipping_ = true;
                pieces.emplace_back(std::nullopt);
            } else {
                pending_.append(part);
            }
        }
        if (newline == std::string_view::npos) {
            break;
        }
        if (!skipping_) {
            pieces.emplace_back(std::move(pending_));
        }
        pending_.clear();
        skipping_ = false;
        bytes.remove_prefix(newline + 1);
    }
    return pieces;
}

std::optional<std::string> ConsoleLines::finish() {
    std::optional<std::string> last;
    if (!skipping_ && !pending_.empty()) {
        last = std::move(pending_);
    }
    pending_.clear();
    skipping_ = false;
    return last;
}

} // namespace kov450
