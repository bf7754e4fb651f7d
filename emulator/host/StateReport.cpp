#include "emulator/host/StateReport.h"

#include "emulator/model/HexText.h"

namespace kov450 {

namespace {

std::string onOff(bool on) {
    return on ? "on" : "off";
}

std::string serialText(const std::array<std::uint8_t, 8>& serial) {
    std::string text;
    for (const std::uint8_t byte : serial) {
        if (byte >= 0x20 && byte < 0x7F) {
            text += static_cast<char>(byte);
        } else {
            text += "\\x" + hexText(std::array{byte});
        }
    }
    return text;
}

std::string wiegandText(const ReaderState& state) {
    return state.wiegandMode == 0 ? "off" : "on, format " + std::to_string(state.wiegandFormat);
}

const char* stateName(CardState state) {
    switch (state) {
    case CardState::Idle:
        return "idle";
    case CardState::Ready:
        return "ready";
    case CardState::Active:
        return "active";
    case CardState::Halt:
        return "halted";
    }
    return "?";
}

} // namespace

std::vector<std::string> describeChanges(const ReaderState& before, const ReaderState& after) {
    std::vector<std::string> lines;
    if (after.resetCount != before.resetCount) {
        lines.push_back("event: reset");
    }
    if (after.redLed != before.redLed) {
        lines.push_back("event: red LED " + onOff(after.redLed));
    }
    if (after.greenLed != before.greenLed) {
        lines.push_back("event: green LED " + onOff(after.greenLed));
    }
    if (after.buzzerCount != before.buzzerCount) {
        lines.push_back("event: buzzer " + std::to_string(after.lastBuzzer * 10) + " ms");
    }
    if (after.rfOn != before.rfOn) {
        lines.push_back("event: RF " + onOff(after.rfOn));
    }
    if (after.wiegandMode != before.wiegandMode || after.wiegandFormat != before.wiegandFormat) {
        lines.push_back("event: Wiegand " + wiegandText(after));
    }
    if (after.address != before.address) {
        lines.push_back("event: address " + std::to_string(after.address));
    }
    if (after.lineSpeed != before.lineSpeed) {
        lines.push_back("event: line speed " + std::to_string(after.lineSpeed));
    }
    if (after.serialNumber != before.serialNumber) {
        lines.push_back("event: serial number " + serialText(after.serialNumber));
    }
    if (after.keyStore != before.keyStore) {
        lines.push_back("event: key store changed");
    }
    return lines;
}

std::vector<std::string> describeReader(const ReaderState& state) {
    std::vector<std::string> lines{
        "address " + std::to_string(state.address) + ", line speed " +
            std::to_string(state.lineSpeed) + ", serial number " + serialText(state.serialNumber),
        "version " + state.version,
        "red LED " + onOff(state.redLed) + ", green LED " + onOff(state.greenLed) + ", RF " +
            onOff(state.rfOn) + ", Wiegand " + wiegandText(state),
        "last buzzer " +
            (state.buzzerCount == 0 ? std::string("none")
                                    : std::to_string(state.lastBuzzer * 10) + " ms") +
            " (" + std::to_string(state.buzzerCount) + " so far)",
        "current key " + hexText(state.currentKey)};
    for (std::size_t type = 0; type < 2; ++type) {
        std::string line = type == 1 ? "key store A:" : "key store B:";
        for (std::size_t slot = 0; slot < state.keyStore[type].size(); ++slot) {
            line += " " + std::to_string(slot) + "=" + hexText(state.keyStore[type][slot]);
        }
        lines.push_back(line);
    }
    return lines;
}

std::string describeCard(std::size_t index, const CardSlot& slot) {
    const MifareClassic& card = slot.card;
    return "card " + std::to_string(index + 1) + ": " +
           (card.kind() == CardKind::Classic1K ? "1K " : "4K ") + hexText(card.uid()) + ", " +
           (slot.inField ? "in the field, " : "outside the field, ") + stateName(card.state()) +
           ", credit " + std::to_string(card.block(kCreditBlock)[0]);
}

std::vector<std::string> describeSectors(const MifareClassic& card,
                                         std::optional<std::size_t> only) {
    std::vector<std::string> lines;
    for (std::size_t sector = 0; sector < sectorCountOf(card.kind()); ++sector) {
        if (only && *only != sector) {
            continue;
        }
        const Block& trailer = card.block(trailerOf(sector));
        const auto conditions =
            decodeAccessBits(std::span<const std::uint8_t, 3>(trailer.data() + 6, 3));
        std::string access = "blocked (malformed access bits)";
        if (conditions) {
            access = "access";
            for (const Condition condition : *conditions) {
                access += " " + std::to_string((condition >> 2) & 1) +
                          std::to_string((condition >> 1) & 1) + std::to_string(condition & 1);
            }
        }
        lines.push_back("sector " + std::to_string(sector) + ": " + access);
        for (std::size_t block = firstBlockOf(sector); block <= trailerOf(sector); ++block) {
            lines.push_back("  block " + std::to_string(block) + ": " + hexText(card.block(block)));
        }
    }
    return lines;
}

} // namespace kov450
