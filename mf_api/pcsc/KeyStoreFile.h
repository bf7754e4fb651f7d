#pragma once

#include "mf_api/Result.h"
#include "protocol/Messages.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mfapi::pcsc {

/// Where a key store slot's key is: in the reader's own non-volatile key memory, or here.
struct StoredKeySlot {
    bool inReader = false;
    protocol::Key key{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}; ///< Factory key until one is stored.

    bool operator==(const StoredKeySlot&) const = default;
};

/// Every slot of both key types, slots 0 to 15 each.
class KeySlots {
public:
    StoredKeySlot& at(protocol::KeyType keyType, std::size_t slot) {
        return slots_.at(protocol::toByte(keyType)).at(slot);
    }
    const StoredKeySlot& at(protocol::KeyType keyType, std::size_t slot) const {
        return slots_.at(protocol::toByte(keyType)).at(slot);
    }
    bool operator==(const KeySlots&) const = default;

private:
    std::array<std::array<StoredKeySlot, protocol::kKeySlots>, 2> slots_{};
};

/// The slots a key store file's text holds, one line per stored slot: the key type letter, the
/// slot number and exactly 12 hex digits or "reader" ("A 3 7D7D7D7D7D7D", "B 0 reader"),
/// separated by single spaces; blank lines say nothing. Nothing when any line is malformed.
[[nodiscard]] std::optional<KeySlots> parseKeySlots(std::string_view text);
/// The text that parseKeySlots reads back as `slots`.
std::string formatKeySlots(const KeySlots& slots);

/// The 16 + 16 key store slots of PC/SC readers, kept by the library in one file. The file is
/// private (0600); its folder must pass the port folder's rule (ports::SafeFolder) for loading
/// and storing alike, and is made private when missing. An existing file that others could read
/// or write, or that is not ours, is refused. A store is one locked read, change and whole
/// rewrite, so that two programs storing keys at once lose neither key.
class KeyStoreFile {
public:
    explicit KeyStoreFile(std::filesystem::path file) : file_(std::move(file)) {}

    /// $XDG_STATE_HOME/mf_api/pcsc-keys, else ~/.local/state/mf_api/pcsc-keys.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& path() const { return file_; }

    /// The slot (0 to 15), or the MF_API status of the failure.
    Result<StoredKeySlot> load(protocol::KeyType keyType, std::uint8_t slot) const;
    [[nodiscard]] std::int32_t store(protocol::KeyType keyType, std::uint8_t slot,
                                     const StoredKeySlot& value) const;

private:
    std::filesystem::path file_;
};

} // namespace mfapi::pcsc
