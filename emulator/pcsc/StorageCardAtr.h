#pragma once

#include "emulator/model/CardLayout.h"

#include <cstdint>
#include <vector>

namespace kov450::pcsc {

/// The ATR a PC/SC contactless reader gives a MIFARE Classic card: 3B 8F 80 01, then category
/// 80, the application identifier 4F 0C with RID A0 00 00 03 06, standard 03 (ISO/IEC 14443-3
/// type A), card name 00 01 (1K) or 00 02 (4K), four zero bytes, and the check byte.
std::vector<std::uint8_t> storageCardAtr(CardKind kind);

} // namespace kov450::pcsc
