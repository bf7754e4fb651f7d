#include "emulator/dumps/WalletFiles.h"

#include "emulator/dumps/CardDump.h"
#include "emulator/model/HexText.h"

namespace kov450 {

std::variant<std::size_t, std::string>
importCardFile(Reader& reader, const std::filesystem::path& path, bool present) {
    auto read = readCardDump(path);
    if (auto* problem = std::get_if<std::string>(&read)) {
        return std::move(*problem);
    }
    MifareClassic& card = std::get<MifareClassic>(read);
    if (reader.findCard(card.uid())) {
        return "a card with UID " + hexText(card.uid()) + " exists already; delete it first";
    }
    const std::size_t index = reader.addCard(std::move(card));
    if (present) {
        reader.present(index);
    }
    return index;
}

} // namespace kov450
