#include "emulator/host/Console.h"

#include "emulator/host/ConsoleWords.h"
#include "emulator/host/ErrorLine.h"

#include "emulator/host/FaultCommands.h"
#include "emulator/host/StateReport.h"
#include "emulator/model/HexText.h"
#include "emulator/model/Wiegand.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

namespace kov450 {

namespace {

ConsoleReply error(const std::string& message) {
    return {{errorLine(message)}, false};
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
    if (verb == "create") {
        return createCard(words);
    }
    if (verb == "present" || verb == "remove") {
        return moveCard(words, verb == "present");
    }
    if (verb == "show") {
        return showCard(words);
    }
    if (verb == "credit") {
        return setCredit(words);
    }
    if (verb == "revive") {
        return reviveCard(words);
    }
    if (verb == "export" || verb == "import" || verb == "delete") {
        return verb == "export"   ? exportCard(words)
               : verb == "import" ? importCard(words)
                                  : deleteCard(words);
    }
    if (verb == "reader") {
        return {describeReader(reader_.state()), false};
    }
    if (verb == "noise") {
        return queueNoise(words);
    }
    if (verb == "corrupt" && words.size() == 1) {
        faults_.corruptNextAnswer = true;
        return {{"the next answer goes out with a broken CRC"}, false};
    }
    if (auto reply = faultCommand(words, faults_)) {
        return *reply;
    }
    if (verb == "quit" || verb == "exit") {
        return {{"bye"}, true};
    }
    return error("unknown command '" + words[0] + "'; type help for the list");
}

std::optional<std::size_t> Console::cardNamed(const std::string& word) const {
    if (word.size() == 8) {
        if (const auto bytes = bytesOfHexText(word)) {
            Uid uid{};
            std::copy(bytes->begin(), bytes->end(), uid.begin());
            if (const auto index = reader_.findCard(uid)) {
                return index;
            }
        }
    }
    const auto index = number(word);
    if (index && *index >= 1 && *index <= reader_.cards().size()) {
        return *index - 1;
    }
    return std::nullopt;
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

ConsoleReply Console::createCard(const std::vector<std::string>& words) {
    CardKind kind = CardKind::Classic1K;
    std::size_t next = 1;
    if (next < words.size() && (lowered(words[next]) == "1k" || lowered(words[next]) == "4k")) {
        kind = lowered(words[next]) == "4k" ? CardKind::Classic4K : CardKind::Classic1K;
        ++next;
    }
    Uid uid{0xC0, 0xDE, 0x00, static_cast<std::uint8_t>(reader_.cards().size() + 1)};
    if (next < words.size()) {
        const auto bytes = bytesOfHexText(words[next]);
        if (!bytes || bytes->size() != uid.size()) {
            return error("a UID is 8 hex digits, such as A1B2C3D4");
        }
        std::copy(bytes->begin(), bytes->end(), uid.begin());
        ++next;
    }
    if (reader_.findCard(uid)) {
        return error("a card with UID " + hexText(uid) + " exists already");
    }
    std::uint8_t credit = 50;
    if (next < words.size()) {
        const auto value = number(words[next]);
        if (!value || *value > 255) {
            return error("the credit is a number from 0 to 255");
        }
        credit = static_cast<std::uint8_t>(*value);
        ++next;
    }
    if (next < words.size()) {
        return error("usage: create [1k|4k] [UID] [CREDIT]");
    }
    const std::size_t index = reader_.addCard(MifareClassic::makeDefault(kind, uid, credit));
    return {{"created " + describeCard(index, reader_.cards()[index])}, false};
}

ConsoleReply Console::moveCard(const std::vector<std::string>& words, bool intoField) {
    if (words.size() != 2) {
        return error(std::string("usage: ") + (intoField ? "present" : "remove") + " CARD");
    }
    const auto index = cardNamed(words[1]);
    if (!index) {
        return error("no card '" + words[1] + "'; type cards for the list");
    }
    ConsoleReply reply;
    if (intoField) {
        const bool wasInField = reader_.cards()[*index].inField;
        reader_.present(*index);
        const ReaderState& state = reader_.state();
        // A card entering a live field goes out on the Wiegand output while that is on.
        if (!wasInField && state.wiegandMode != 0 && state.rfOn) {
            const Wiegand26 frame = wiegand26(reader_.cards()[*index].card.uid());
            reply.lines.push_back("event: Wiegand frame " + frame.text() + " (facility " +
                                  std::to_string(frame.facility) + ", card " +
                                  std::to_string(frame.cardNumber) + ")");
        }
    } else {
        reader_.remove(*index);
    }
    reply.lines.push_back(describeCard(*index, reader_.cards()[*index]));
    return reply;
}

ConsoleReply Console::showCard(const std::vector<std::string>& words) {
    if (words.size() < 2 || words.size() > 3) {
        return error("usage: show CARD [SECTOR]");
    }
    const auto index = cardNamed(words[1]);
    if (!index) {
        return error("no card '" + words[1] + "'; type cards for the list");
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

ConsoleReply Console::setCredit(const std::vector<std::string>& words) {
    if (words.size() != 3) {
        return error("usage: credit CARD VALUE");
    }
    const auto index = cardNamed(words[1]);
    if (!index) {
        return error("no card '" + words[1] + "'; type cards for the list");
    }
    const auto value = number(words[2]);
    if (!value || *value > 255) {
        return error("the credit is a number from 0 to 255");
    }
    reader_.card(*index).setCredit(static_cast<std::uint8_t>(*value));
    return {{describeCard(*index, reader_.cards()[*index])}, false};
}

ConsoleReply Console::reviveCard(const std::vector<std::string>& words) {
    if (words.size() != 2) {
        return error("usage: revive CARD");
    }
    const auto index = cardNamed(words[1]);
    if (!index) {
        return error("no card '" + words[1] + "'; type cards for the list");
    }
    const std::size_t revived = reader_.card(*index).revive();
    return {{"revived " + std::to_string(revived) + " blocked sector(s)"}, false};
}

ConsoleReply Console::queueNoise(const std::vector<std::string>& words) {
    std::string joined;
    for (std::size_t at = 1; at < words.size(); ++at) {
        joined += words[at];
    }
    const auto bytes = bytesOfHexText(joined);
    if (!bytes || bytes->empty()) {
        return error("usage: noise HEX, such as noise 00FF5A13");
    }
    faults_.noise.insert(faults_.noise.end(), bytes->begin(), bytes->end());
    return {
        {"noise of " + std::to_string(bytes->size()) + " byte(s) goes ahead of the next answer"},
        false};
}

} // namespace kov450
