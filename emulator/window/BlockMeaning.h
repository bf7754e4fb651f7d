#pragma once

#include "emulator/model/MifareClassic.h"

#include <string>

namespace kov450 {

/// What a block is and who may do what with it, in words: the manufacturer block, a trailer's
/// keys and access bits, a data block's access conditions, and a value block's value.
std::string blockMeaning(const MifareClassic& card, std::size_t block);

/// The 16 bytes as characters: printable ASCII as itself, anything else as a dot.
std::string blockCharacters(const Block& block);

} // namespace kov450
