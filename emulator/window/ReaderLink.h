#pragma once

#include "emulator/model/MifareClassic.h"

#include <filesystem>
#include <string>

namespace kov450 {

/// What the window asks of the reader. The reader lives on another thread: each request is
/// queued to it, and what follows comes back to the window as a reply and a new snapshot.
class ReaderLink {
public:
    virtual ~ReaderLink() = default;
    /// A console line, run as if typed ("present A1B2C3D4").
    virtual void command(const std::string& line) = 0;
    virtual void importCard(const std::filesystem::path& path, bool present) = 0;
    virtual void exportCard(const Uid& uid, const std::filesystem::path& path) = 0;
};

} // namespace kov450
