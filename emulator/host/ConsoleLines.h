#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kov450 {

/// Cuts console input into lines while holding no more than one line's worth of it. A line
/// longer than the bound is no command: it is reported once, and the rest of it is dropped.
class ConsoleLines {
public:
    /// A whole line, without its newline; nothing for a line that was too long.
    using Piece = std::optional<std::string>;

    explicit ConsoleLines(std::size_t longest) : longest_(longest) {}

    /// The pieces that these bytes complete, in order.
    std::vector<Piece> feed(std::string_view bytes);
    /// At the end of input: the last line when no newline ended it.
    std::optional<std::string> finish();

    std::size_t longest() const { return longest_; }

private:
    std::size_t longest_;
    std::string pending_;
    bool skipping_ = false;
};

} // namespace kov450
