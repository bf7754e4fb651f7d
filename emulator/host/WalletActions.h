#pragma once

#include "emulator/host/ActionResult.h"
#include "emulator/model/Reader.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

namespace kov450 {

// What the console and the window do to the wallet, one struct each. A card is named by its
// UID: the console reads its words into one, the window knows the card it shows.

/// A card with the default keys, outside the field.
struct CreateCard {
    CardKind kind = CardKind::Classic1K;
    Uid uid{};
    std::uint8_t credit = 50;
    friend bool operator==(const CreateCard&, const CreateCard&) = default;
};

struct PresentCard {
    Uid uid{};
    friend bool operator==(const PresentCard&, const PresentCard&) = default;
};

struct TakeCardAway {
    Uid uid{};
    friend bool operator==(const TakeCardAway&, const TakeCardAway&) = default;
};

/// Byte 0 of block 4, written past the access conditions.
struct SetCredit {
    Uid uid{};
    std::uint8_t credit = 0;
    friend bool operator==(const SetCredit&, const SetCredit&) = default;
};

/// A default trailer for each sector that malformed access bits block.
struct ReviveCard {
    Uid uid{};
    friend bool operator==(const ReviveCard&, const ReviveCard&) = default;
};

struct DeleteCard {
    Uid uid{};
    friend bool operator==(const DeleteCard&, const DeleteCard&) = default;
};

/// The card of a dump file into the wallet, and into the field when asked.
struct ImportCard {
    std::filesystem::path path;
    bool present = false;
    friend bool operator==(const ImportCard&, const ImportCard&) = default;
};

/// A card's dump, in the format the file's name asks for.
struct ExportCard {
    Uid uid{};
    std::filesystem::path path;
    friend bool operator==(const ExportCard&, const ExportCard&) = default;
};

using WalletAction = std::variant<CreateCard, PresentCard, TakeCardAway, SetCredit, ReviveCard,
                                  DeleteCard, ImportCard, ExportCard>;

/// Does it to the reader's wallet. The reader's thread alone may call this.
[[nodiscard]] ActionResult perform(Reader& reader, const WalletAction& action);

/// The console line that asks for the same, so that the console can show what the window did.
std::string commandLine(const WalletAction& action);

} // namespace kov450
