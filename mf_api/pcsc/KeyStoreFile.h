#pragma once

#include "protocol/Messages.h"

#include <cstdint>
#include <filesystem>

namespace mfapi::pcsc {

/// Where a key store slot's key is: in the reader's own non-volatile key memory, or here.
struct StoredKeySlot {
    bool inReader = false;
    protocol::Key key{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}; ///< Factory key until one is stored.
};

/// The 16 + 16 key store slots of PC/SC readers, kept by the library in one file: one line per
/// stored slot ("A 3 7D7D7D7D7D7D", or "B 0 reader" for a key the reader keeps). The file is
/// private (0600), in a folder that no one else can write, created without following links;
/// an existing file that others could read or write, or that is not ours, is refused.
class KeyStoreFile {
public:
    explicit KeyStoreFile(std::filesystem::path file) : file_(std::move(file)) {}

    /// $XDG_STATE_HOME/mf_api/pcsc-keys, else ~/.local/state/mf_api/pcsc-keys.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& path() const { return file_; }

    /// The slot (key type 1 A, 0 B; slot 0 to 15), or the MF_API status of the failure.
    std::int32_t load(std::uint8_t keyType, std::uint8_t slot, StoredKeySlot& out) const;
    std::int32_t store(std::uint8_t keyType, std::uint8_t slot, const StoredKeySlot& value) const;

private:
    std::filesystem::path file_;
};

} // namespace mfapi::pcsc
