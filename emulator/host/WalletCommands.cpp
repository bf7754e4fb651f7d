// The console's wallet verbs: words into typed actions, which do the work.
#include "emulator/host/WalletCommands.h"

#include "emulator/host/ConsoleWords.h"
#include "emulator/host/ErrorLine.h"
#include "emulator/model/HexText.h"

#include <algorithm>

namespace kov450 {

namespace {

using Parsed = std::variant<WalletAction, ActionRefused>;

ActionRefused usage(const std::string& text) {
    return {"usage: " + text};
}

ActionRefused badCredit() {
    return {"the credit is a number from 0 to 255"};
}

std::optional<std::uint8_t> creditOf(const std::string& word) {
    const auto value = number(word);
    if (!value || *value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*value);
}

/// The UID of the card a word names.
std::optional<Uid> uidNamed(const Reader& reader, const std::string& word) {
    const auto index = cardNamed(reader, word);
    if (!index) {
        return std::nullopt;
    }
    return reader.cards()[*index].card.uid();
}

Parsed create(const std::vector<std::string>& words, const Reader& reader) {
    CreateCard action;
    std::size_t next = 1;
    if (next < words.size() && (lowered(words[next]) == "1k" || lowered(words[next]) == "4k")) {
        action.kind = lowered(words[next]) == "4k" ? CardKind::Classic4K : CardKind::Classic1K;
        ++next;
    }
    action.uid = {0xC0, 0xDE, 0x00, static_cast<std::uint8_t>(reader.cards().size() + 1)};
    if (next < words.size()) {
        const auto bytes = bytesOfHexText(words[next]);
        if (!bytes || bytes->size() != action.uid.size()) {
            return ActionRefused{"a UID is 8 hex digits, such as A1B2C3D4"};
        }
        std::copy(bytes->begin(), bytes->end(), action.uid.begin());
        ++next;
    }
    if (next < words.size()) {
        const auto credit = creditOf(words[next]);
        if (!credit) {
            return badCredit();
        }
        action.credit = *credit;
        ++next;
    }
    if (next < words.size()) {
        return usage("create [1k|4k] [UID] [CREDIT]");
    }
    return action;
}

/// A verb whose one argument names a card.
template <typename Action>
Parsed onCard(const std::vector<std::string>& words, const Reader& reader,
              const std::string& verb) {
    if (words.size() != 2) {
        return usage(verb + " CARD");
    }
    const auto uid = uidNamed(reader, words[1]);
    if (!uid) {
        return ActionRefused{noCardNamed(words[1])};
    }
    return Action{*uid};
}

Parsed credit(const std::vector<std::string>& words, const Reader& reader) {
    if (words.size() != 3) {
        return usage("credit CARD VALUE");
    }
    const auto uid = uidNamed(reader, words[1]);
    if (!uid) {
        return ActionRefused{noCardNamed(words[1])};
    }
    const auto value = creditOf(words[2]);
    if (!value) {
        return badCredit();
    }
    return SetCredit{*uid, *value};
}

Parsed exportTo(const std::vector<std::string>& words, const Reader& reader) {
    if (words.size() != 3) {
        return usage("export CARD FILE (.mfd, .bin or .eml)");
    }
    const auto uid = uidNamed(reader, words[1]);
    if (!uid) {
        return ActionRefused{noCardNamed(words[1])};
    }
    return ExportCard{*uid, words[2]};
}

Parsed importFrom(const std::vector<std::string>& words) {
    const bool present = words.size() == 3 && words[2] == "present";
    if (words.size() != 2 && !present) {
        return usage("import FILE [present]");
    }
    return ImportCard{words[1], present};
}

} // namespace

std::optional<std::size_t> cardNamed(const Reader& reader, const std::string& word) {
    if (word.size() == 8) {
        if (const auto bytes = bytesOfHexText(word)) {
            Uid uid{};
            std::copy(bytes->begin(), bytes->end(), uid.begin());
            if (const auto index = reader.findCard(uid)) {
                return index;
            }
        }
    }
    const auto index = number(word);
    if (index && *index >= 1 && *index <= reader.cards().size()) {
        return *index - 1;
    }
    return std::nullopt;
}

std::string noCardNamed(const std::string& word) {
    return "no card '" + word + "'; type cards for the list";
}

std::optional<Parsed> walletActionOf(const std::vector<std::string>& words, const Reader& reader) {
    if (words.empty()) {
        return std::nullopt;
    }
    const std::string verb = lowered(words[0]);
    if (verb == "create") {
        return create(words, reader);
    }
    if (verb == "present") {
        return onCard<PresentCard>(words, reader, verb);
    }
    if (verb == "remove") {
        return onCard<TakeCardAway>(words, reader, verb);
    }
    if (verb == "credit") {
        return credit(words, reader);
    }
    if (verb == "revive") {
        return onCard<ReviveCard>(words, reader, verb);
    }
    if (verb == "delete") {
        return onCard<DeleteCard>(words, reader, verb);
    }
    if (verb == "export") {
        return exportTo(words, reader);
    }
    if (verb == "import") {
        return importFrom(words);
    }
    return std::nullopt;
}

std::optional<ConsoleReply> walletCommand(const std::vector<std::string>& words, Reader& reader) {
    const auto parsed = walletActionOf(words, reader);
    if (!parsed) {
        return std::nullopt;
    }
    if (const auto* refused = std::get_if<ActionRefused>(&*parsed)) {
        return ConsoleReply{{errorLine(refused->reason)}, false};
    }
    return ConsoleReply{linesOf(perform(reader, std::get<WalletAction>(*parsed))), false};
}

} // namespace kov450
