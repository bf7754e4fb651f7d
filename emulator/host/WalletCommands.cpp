// The console's wallet verbs: card dumps in and out, and deleting a card.
#include "emulator/dumps/CardDump.h"
#include "emulator/dumps/WalletFiles.h"
#include "emulator/host/Console.h"
#include "emulator/host/ErrorLine.h"
#include "emulator/host/StateReport.h"
#include "emulator/model/HexText.h"

namespace kov450 {

namespace {

ConsoleReply failure(const std::string& message) {
    return {{errorLine(message)}, false};
}

} // namespace

ConsoleReply Console::exportCard(const std::vector<std::string>& words) {
    if (words.size() != 3) {
        return failure("usage: export CARD FILE (.mfd, .bin or .eml)");
    }
    const auto index = cardNamed(words[1]);
    if (!index) {
        return failure("no card '" + words[1] + "'; type cards for the list");
    }
    const MifareClassic& card = reader_.cards()[*index].card;
    if (const auto problem = writeCardDump(card, words[2])) {
        return failure(*problem);
    }
    const bool text = dumpFormatOf(words[2]) == DumpFormat::Eml;
    return {{"exported card " + std::to_string(*index + 1) + " to " + words[2] +
             (text ? " as " + std::to_string(card.blockCount()) + " lines of hex"
                   : " as " + std::to_string(card.blockCount() * 16) + " raw bytes")},
            false};
}

ConsoleReply Console::importCard(const std::vector<std::string>& words) {
    const bool present = words.size() == 3 && words[2] == "present";
    if (words.size() != 2 && !present) {
        return failure("usage: import FILE [present]");
    }
    const auto imported = importCardFile(reader_, words[1], present);
    if (const auto* problem = std::get_if<std::string>(&imported)) {
        return failure(*problem);
    }
    const std::size_t index = std::get<std::size_t>(imported);
    return {{"imported " + describeCard(index, reader_.cards()[index])}, false};
}

ConsoleReply Console::deleteCard(const std::vector<std::string>& words) {
    if (words.size() != 2) {
        return failure("usage: delete CARD");
    }
    const auto index = cardNamed(words[1]);
    if (!index) {
        return failure("no card '" + words[1] + "'; type cards for the list");
    }
    const std::string uid = hexText(reader_.cards()[*index].card.uid());
    reader_.deleteCard(*index);
    return {{"deleted card " + uid}, false};
}

} // namespace kov450
