#include "emulator/window/BlockMeaning.h"

#include "emulator/model/HexText.h"
#include "mifare/ValueBlock.h"

namespace kov450 {

namespace {

/// "A or B", "B", "never" for one permission asked of both keys.
template <typename Allowed> std::string whichKeys(Allowed allowed) {
    const bool a = allowed(KeyType::A);
    const bool b = allowed(KeyType::B);
    return a && b ? "A or B" : a ? "A" : b ? "B" : "never";
}

std::string dataConditions(Condition condition) {
    const auto keys = [&](DataOperation operation) {
        return whichKeys([&](KeyType key) { return dataAllowed(condition, operation, key); });
    };
    return "read " + keys(DataOperation::Read) + ", write " + keys(DataOperation::Write) +
           ", increment " + keys(DataOperation::Increment) + ", decrement " +
           keys(DataOperation::DecrementTransferRestore);
}

std::string trailerConditions(Condition trailer) {
    const auto keys = [&](TrailerPart part) {
        return whichKeys([&](KeyType key) { return trailerAllowed(trailer, part, key); });
    };
    std::string text = "trailer: key A read " + keys(TrailerPart::KeyARead) + ", written " +
                       keys(TrailerPart::KeyAWrite) + "; access bits read " +
                       keys(TrailerPart::AccessRead) + ", written " +
                       keys(TrailerPart::AccessWrite) + "; key B read " +
                       keys(TrailerPart::KeyBRead) + ", written " + keys(TrailerPart::KeyBWrite);
    if (keyBReadable(trailer)) {
        text += " (key B is data here: it authenticates and opens nothing)";
    }
    return text;
}

} // namespace

std::string blockCharacters(const Block& block) {
    std::string text;
    for (const std::uint8_t byte : block) {
        text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
    }
    return text;
}

std::string blockMeaning(const MifareClassic& card, std::size_t block) {
    const std::size_t sector = sectorOf(block);
    const Block& trailer = card.block(trailerOf(sector));
    const auto conditions =
        decodeAccessBits(std::span<const std::uint8_t, 3>(trailer.data() + 6, 3));
    if (block == 0) {
        return "manufacturer block, read-only: UID " + hexText(card.uid());
    }
    if (!conditions) {
        return "sector blocked: malformed access bits";
    }
    if (isTrailer(block)) {
        return trailerConditions((*conditions)[3]);
    }
    std::string text = dataConditions((*conditions)[accessGroupOf(block)]);
    if (const auto value = mifare::decodeValueBlock(card.block(block))) {
        text = "value " + std::to_string(value->value) + " (address " +
               std::to_string(value->address) + "); " + text;
    }
    return text;
}

} // namespace kov450
