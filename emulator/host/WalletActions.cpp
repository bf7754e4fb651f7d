#include "emulator/host/WalletActions.h"

#include "emulator/dumps/CardDump.h"
#include "emulator/dumps/WalletFiles.h"
#include "emulator/host/StateReport.h"
#include "emulator/model/HexText.h"
#include "emulator/model/Wiegand.h"

namespace kov450 {

namespace {

/// Runs each action on one reader; a card named by a UID the wallet lacks is refused.
class Performer {
public:
    explicit Performer(Reader& reader) : reader_(reader) {}

    ActionResult operator()(const CreateCard& action) {
        if (reader_.findCard(action.uid)) {
            return ActionRefused{"a card with UID " + hexText(action.uid) + " exists already"};
        }
        const std::size_t index =
            reader_.addCard(MifareClassic::makeDefault(action.kind, action.uid, action.credit));
        return ActionDone{{"created " + described(index)}};
    }

    ActionResult operator()(const PresentCard& action) {
        return onCard(action.uid, [this](std::size_t index) {
            ActionDone done;
            const bool wasInField = reader_.cards()[index].inField;
            reader_.present(index);
            const ReaderState& state = reader_.state();
            // A card entering a live field goes out on the Wiegand output while that is on.
            if (!wasInField && state.wiegandMode != 0 && state.rfOn) {
                const Wiegand26 frame = wiegand26(reader_.cards()[index].card.uid());
                done.lines.push_back("event: Wiegand frame " + frame.text() + " (facility " +
                                     std::to_string(frame.facility) + ", card " +
                                     std::to_string(frame.cardNumber) + ")");
            }
            done.lines.push_back(described(index));
            return done;
        });
    }

    ActionResult operator()(const TakeCardAway& action) {
        return onCard(action.uid, [this](std::size_t index) {
            reader_.remove(index);
            return ActionDone{{described(index)}};
        });
    }

    ActionResult operator()(const SetCredit& action) {
        return onCard(action.uid, [&](std::size_t index) {
            reader_.card(index).setCredit(action.credit);
            return ActionDone{{described(index)}};
        });
    }

    ActionResult operator()(const ReviveCard& action) {
        return onCard(action.uid, [this](std::size_t index) {
            const std::size_t revived = reader_.card(index).revive();
            return ActionDone{{"revived " + std::to_string(revived) + " blocked sector(s)"}};
        });
    }

    ActionResult operator()(const DeleteCard& action) {
        return onCard(action.uid, [&](std::size_t index) {
            reader_.deleteCard(index);
            return ActionDone{{"deleted card " + hexText(action.uid)}};
        });
    }

    ActionResult operator()(const ImportCard& action) {
        auto imported = importCardFile(reader_, action.path, action.present);
        if (auto* problem = std::get_if<std::string>(&imported)) {
            return ActionRefused{std::move(*problem)};
        }
        return ActionDone{{"imported " + described(std::get<std::size_t>(imported))}};
    }

    ActionResult operator()(const ExportCard& action) {
        return onCard(action.uid, [&](std::size_t index) -> ActionResult {
            const MifareClassic& card = reader_.cards()[index].card;
            if (auto problem = writeCardDump(card, action.path)) {
                return ActionRefused{std::move(*problem)};
            }
            const bool text = dumpFormatOf(action.path) == DumpFormat::Eml;
            return ActionDone{{"exported card " + std::to_string(index + 1) + " to " +
                               action.path.string() + " as " +
                               (text ? std::to_string(card.blockCount()) + " lines of hex"
                                     : std::to_string(card.blockCount() * 16) + " raw bytes")}};
        });
    }

private:
    template <typename Act> ActionResult onCard(const Uid& uid, Act act) {
        const auto index = reader_.findCard(uid);
        if (!index) {
            return ActionRefused{"no card " + hexText(uid)};
        }
        return act(*index);
    }

    std::string described(std::size_t index) const {
        return describeCard(index, reader_.cards()[index]);
    }

    Reader& reader_;
};

/// The console's words for each action.
struct Words {
    std::string operator()(const CreateCard& action) const {
        return std::string("create ") + (action.kind == CardKind::Classic4K ? "4k " : "1k ") +
               hexText(action.uid) + " " + std::to_string(action.credit);
    }
    std::string operator()(const PresentCard& action) const {
        return "present " + hexText(action.uid);
    }
    std::string operator()(const TakeCardAway& action) const {
        return "remove " + hexText(action.uid);
    }
    std::string operator()(const SetCredit& action) const {
        return "credit " + hexText(action.uid) + " " + std::to_string(action.credit);
    }
    std::string operator()(const ReviveCard& action) const {
        return "revive " + hexText(action.uid);
    }
    std::string operator()(const DeleteCard& action) const {
        return "delete " + hexText(action.uid);
    }
    std::string operator()(const ImportCard& action) const {
        return "import " + action.path.string() + (action.present ? " present" : "");
    }
    std::string operator()(const ExportCard& action) const {
        return "export " + hexText(action.uid) + " " + action.path.string();
    }
};

} // namespace

ActionResult perform(Reader& reader, const WalletAction& action) {
    return std::visit(Performer(reader), action);
}

std::string commandLine(const WalletAction& action) {
    return std::visit(Words{}, action);
}

} // namespace kov450
