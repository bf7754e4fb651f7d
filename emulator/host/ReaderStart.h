#pragma once

#include "emulator/model/Reader.h"
#include "emulator/state/StateStore.h"

#include <functional>
#include <string>

namespace kov450 {

/// Gives a fresh reader what the state folder holds or, when it holds nothing and `defaultCard`
/// asks for it, a default card in the field; then saves, so that the folder holds what the
/// reader holds. Prints what it found, and why the folder could not take it.
void restoreReader(Reader& reader, StateStore& store, bool defaultCard,
                   const std::function<void(const std::string&)>& print);

} // namespace kov450
