#pragma once

// push: a counter's journal into the ledger, once or following it as it grows.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace tagledger {

struct PushOptions {
    std::optional<std::string> url;
    std::string counter;
    std::filesystem::path journal;
    bool follow = false;
    /// Lines per transaction: a push killed at any moment has stored whole batches only.
    std::size_t batchLines = 1000;
    /// How often --follow looks for new lines, and retries an unreachable database.
    std::chrono::milliseconds pollInterval{500};
    std::chrono::milliseconds retryInterval{2000};
};

/// Pushes, telling progress and trouble on `log`; the exit status (0, or 2 with the reason
/// when a push without --follow fails). With --follow it returns only on a hopeless failure:
/// an unreachable database or a missing journal is waited for.
[[nodiscard]] int push(const PushOptions& options, std::ostream& log);

} // namespace tagledger
