#include "emulator/host/Console.h"

#include "emulator/host/ConsoleWords.h"
#include "emulator/host/ErrorLine.h"
#include "emulator/host/FaultCommands.h"
#include "emulator/host/StateReport.h"
#include "emulator/host/WalletCommands.h"

namespace kov450 {

namespace {

ConsoleReply error(const std::string& reason) {
    return {{errorLine(reason)}, false};
}

} // namespace

std::vector<std::string> Console::help() {
    return {"commands:",
            "  help                         this list",
            "  cards                        list the cards",
            "  create [1k|4k] [UID] [CREDIT]  make a default card (keys 7D7D7D7D7D7D), outside "
            "the field",
            "  present CARD | remove CARD   put a card into the field or take it away",
            "  show CARD [SECTOR]           a card's sectors, block by block",
            "  credit CARD VALUE            set the credit, byte 0 of block 4 (0 to 255)",
            "  revive CARD                  give blocked sectors a default trailer again",
            "  export CARD FILE             write a card's dump: .mfd/.bin raw, .eml hex text",
            "  import FILE [present]        add a card from a dump (1024 or 4096 bytes, or .eml)",
            "  delete CARD                  forget a card",
            "  reader                       the reader's state",
            "  noise HEX                    send these bytes ahead of the next answer",
            "  corrupt                      break the CRC of the next answer",
            "  quit                         end the emulator",
            "CARD is a card's number from the list or its UID in hex."};
}

ConsoleReply Console::execute(std::string_view line) {
    const std::vector<std::string> words = wordsOf(line);
    if (words.empty()) {
        return {};
    }
    const std::string verb = lowered(words[0]);
    if (verb == "help" || verb == "?") {
        return {withFaultHelp(help()), false};
    }
    if (verb == "cards" || verb == "list") {
        return listCards();
    }
    if (verb == "show") {
        return showCard(words);
    }
    if (verb == "reader") {
        return {describeReader(reader_.state()), false};
    }
    if (auto reply = walletCommand(words, reader_)) {
        return *reply;
    }
    if (auto reply = faultCommand(words, faults_)) {
        return *reply;
    }
    if (verb == "quit" || verb == "exit") {
        return {{"bye"}, true};
    }
    return error("unknown command '" + words[0] + "'; type help for the list");
}

ConsoleReply Console::listCards() const {
    ConsoleReply reply;
    const auto& cards = reader_.cards();
    for (std::size_t index = 0; index < cards.size(); ++index) {
        reply.lines.push_back(describeCard(index, cards[index]));
    }
    if (cards.empty()) {
        reply.lines.push_back("no cards; create one with: create 1k");
    }
    return reply;
}

ConsoleReply Console::showCard(const std::vector<std::string>& words) const {
    if (words.size() < 2 || words.size() > 3) {
        return error("usage: show CARD [SECTOR]");
    }
    const auto index = cardNamed(reader_, words[1]);
    if (!index) {
        return error(noCardNamed(words[1]));
    }
    const MifareClassic& card = reader_.cards()[*index].card;
    std::optional<std::size_t> sector;
    if (words.size() == 3) {
        const auto value = number(words[2]);
        if (!value || *value >= sectorCountOf(card.kind())) {
            return error("this card has sectors 0 to " +
                         std::to_string(sectorCountOf(card.kind()) - 1));
        }
        sector = *value;
    }
    ConsoleReply reply{{describeCard(*index, reader_.cards()[*index])}, false};
    const auto sectors = describeSectors(card, sector);
    reply.lines.insert(reply.lines.end(), sectors.begin(), sectors.end());
    return reply;
}

} // namespace kov450
