#pragma once

// The card in the field through MF_API: found, selected, its sectors opened with a key, its
// blocks read and written across sector bounds. Every call has the library's own deadline.

#include "purchase/Purchase.h"
#include "tagcard/Arguments.h"
#include "tagcard/CardLayout.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace reader {
class MfApi;
}

namespace tagcard {

/// How often a wait for a card asks the reader: tagpoll's pace at its scroll bar's 100 ms.
inline constexpr std::chrono::milliseconds kPollInterval{100};
/// The block whose byte 0 holds the credit, as the panel reads it.
using purchase::kCreditBlock;

/// The port, open for one command and closed at its end.
class OpenPort {
public:
    /// Opens `port` at 9600 bit/s, as the panel's "Port Set" does.
    OpenPort(reader::MfApi& api, const std::string& port);
    ~OpenPort();
    OpenPort(const OpenPort&) = delete;
    OpenPort& operator=(const OpenPort&) = delete;

    /// MF_InitComm's status: 0 when the port is open.
    std::int32_t status() const { return status_; }

private:
    reader::MfApi& api_;
    std::int32_t status_;
};

/// A card that answered: its UID and card type, and its kind when tagcard can walk it.
struct FoundCard {
    Uid uid{};
    CardType type{};
    std::optional<CardKind> kind;
};

/// The UID as tagcard prints it: 8 hex digits.
std::string uidText(const Uid& uid);
/// "MIFARE Classic 1K", or the ATQA and SAK of a card of another kind.
std::string typeText(const FoundCard& card);

/// Which cards a request wakes: MF_REQUEST_IDLE (REQA) leaves halted cards asleep;
/// MF_REQUEST_ALL (WUPA) wakes them too.
[[nodiscard]] std::int32_t findCard(reader::MfApi& api, std::int32_t mode, FoundCard& card);

/// One card, selected, with one sector open at a time. A failed authentication leaves the card
/// idle, as on the air; the next call that needs it wakes and selects it again by its UID.
class CardAccess {
public:
    CardAccess(reader::MfApi& api, FoundCard card) : api_(api), card_(card) {}

    const FoundCard& card() const { return card_; }

    [[nodiscard]] std::int32_t select();
    /// Opens `sector` with `key`.
    [[nodiscard]] std::int32_t open(int sector, const SectorKey& key);
    /// Reads `out.size() / 16` blocks from `first`, opening each sector with `key` as it comes.
    [[nodiscard]] std::int32_t read(int first, std::span<std::uint8_t> out, const SectorKey& key);
    /// Writes whole blocks from `first`, opening each sector with `key` as it comes.
    [[nodiscard]] std::int32_t write(int first, std::span<const std::uint8_t> blocks,
                                     const SectorKey& key);
    /// Halts the card, so that it answers only a wake-up until it leaves the field.
    [[nodiscard]] std::int32_t halt();

private:
    [[nodiscard]] std::int32_t wakeAgain();

    reader::MfApi& api_;
    FoundCard card_;
    bool asleep_ = false;
    std::optional<int> openSector_;
    std::optional<SectorKey> openKey_;
};

} // namespace tagcard
