#pragma once

#include "mifare/Sectors.h"

namespace kov450 {

// The model works in the MIFARE Classic layout of mifare/Sectors.h, under its own names.
using mifare::accessGroupOf;
using mifare::blockCountOf;
using mifare::blocksInSector;
using mifare::CardKind;
using mifare::firstBlockOf;
using mifare::isTrailer;
using mifare::sectorCountOf;
using mifare::sectorOf;
using mifare::trailerOf;

} // namespace kov450
