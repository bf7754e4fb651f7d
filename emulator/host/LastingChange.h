#pragma once

#include "emulator/host/Console.h"
#include "emulator/model/Reader.h"

#include <functional>
#include <optional>
#include <string>

namespace kov450 {

/// Saves what lasts of the reader (StateStore::saveIfChanged); an error line saying why when it
/// could not.
using SaveState = std::function<std::optional<std::string>()>;

/// Runs a change asked for on the console or in the window, then saves it, before anyone is
/// told it was done. When the save fails, the reader is put back as it was and the reply is the
/// reason instead: nothing is reported done that the next start would not find.
ConsoleReply lastingChange(Reader& reader, const SaveState& save,
                           const std::function<ConsoleReply()>& change);

/// The keeper (Reader::setKeeper) of requests from the line: saves, and when that fails tells
/// why, so that the reader undoes the request and refuses it.
Reader::Keeper lineKeeper(SaveState save, std::function<void(const std::string&)> tell);

} // namespace kov450
