#pragma once

#include <string>
#include <variant>
#include <vector>

namespace kov450 {

/// An action that was done, and what to tell about it.
struct ActionDone {
    std::vector<std::string> lines;
};

/// An action that changed nothing, and why.
struct ActionRefused {
    std::string reason;
};

/// What the console and the window get back from an action.
using ActionResult = std::variant<ActionDone, ActionRefused>;

/// The result for a person: the lines of what was done, or the reason as an error line.
std::vector<std::string> linesOf(const ActionResult& result);

} // namespace kov450
