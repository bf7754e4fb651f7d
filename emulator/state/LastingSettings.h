#pragma once

#include "emulator/model/ReaderState.h"

namespace kov450 {

/// The one list of the reader's lasting settings, as the state file names them and in its
/// order. Its writer and its reader both go through here: `Lines` is told of each setting by
/// its keyword and fields; `Settings` is ReaderSettings, const for the writer.
template <typename Lines, typename Settings> void eachSetting(Lines& lines, Settings& settings) {
    // As many names as ReaderSettings has fields: a field added there fails to compile here
    // until it is listed below.
    [[maybe_unused]] auto& [a, b, c, d, e, f, g] = settings;
    lines.numbers("address", settings.address);
    lines.numberIn("line-speed", settings.lineSpeed, kReaderLineSpeeds);
    lines.bytes("serial", settings.serialNumber);
    lines.text("version", settings.version);
    lines.keys("key", settings.keyStore);
    lines.numbers("wiegand", settings.wiegandMode, settings.wiegandFormat);
}

} // namespace kov450
