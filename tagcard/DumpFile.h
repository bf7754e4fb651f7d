#pragma once

// Files tagcard reads and writes for a user: raw card dumps and key lists. Each is opened once
// without following a link, and judged on the open descriptor: only a regular file is read,
// and no more than it may hold, so a FIFO never blocks and a device never floods. A dump is
// written whole or not at all.

#include "tagcard/Arguments.h"

#include "ports/FileDescriptor.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace tagcard {

/// A raw dump's size: 1024 bytes for a 1K card, 4096 for a 4K card.
bool isRawDumpSize(std::size_t size);

/// The bytes of a raw dump, or why the file is not one: a link, not a regular file, missing,
/// unreadable, or of another size than a dump's.
[[nodiscard]] std::variant<std::vector<std::uint8_t>, std::string>
readRawDump(const std::filesystem::path& path);

/// The keys of a key list file (see parseKeyList): a regular file of at most 64 KiB, a link to
/// one followed.
[[nodiscard]] Parsed<std::vector<Key>> loadKeyList(const std::filesystem::path& path);

/// Where a dump will go, judged before the card is touched: its folder, open, and a name in it
/// that is free or a regular file (which the dump replaces), never a link, FIFO or device.
class DumpTarget {
public:
    [[nodiscard]] static std::variant<DumpTarget, std::string>
    judge(const std::filesystem::path& path);

    /// Writes `bytes` as the file, private to the user (a dump holds the card's keys): into a
    /// temporary file in the same folder, synced, renamed over the name, the folder synced. On
    /// failure the name holds what it held before, and the reason is returned.
    [[nodiscard]] std::optional<std::string> write(std::span<const std::uint8_t> bytes) const;

private:
    DumpTarget(ports::FileDescriptor folder, std::string name, std::filesystem::path shown)
        : folder_(std::move(folder)), name_(std::move(name)), shown_(std::move(shown)) {}

    ports::FileDescriptor folder_;
    std::string name_;
    std::filesystem::path shown_;
};

} // namespace tagcard
