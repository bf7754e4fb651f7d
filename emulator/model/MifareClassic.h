#pragma once

#include "emulator/model/AccessConditions.h"
#include "emulator/model/CardLayout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kov450 {

using Block = std::array<std::uint8_t, mifare::kBlockSize>;
using Uid = std::array<std::uint8_t, 4>;
using Key = std::array<std::uint8_t, 6>;

/// ISO/IEC 14443-3 card states.
enum class CardState : std::uint8_t { Idle, Ready, Active, Halt };

/// Value block operations, as the messages name them.
using protocol::ValueOperation;

/// The key of default cards, as both key A and key B.
inline constexpr Key kDefaultKey{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};
/// Default trailer access bytes 6 to 9: data blocks 0 0 0 (key A or B), trailer 0 1 1, so key B
/// is not readable and can authenticate.
inline constexpr std::array<std::uint8_t, 4> kDefaultAccess{0x7F, 0x07, 0x88, 0x69};
/// Where default cards keep their credit.
inline constexpr std::size_t kCreditBlock = 4;

/// A MIFARE Classic 1K or 4K card: its memory (the only state that outlives the field) and its
/// protocol state while powered. Every operation returns a reader status (protocol/Status.h). The
/// card is strict: a denied write or value operation changes nothing, block 0 never changes, and a
/// sector whose access bits are malformed is blocked. Key B authenticates even where the trailer
/// lets it be read, and then opens nothing. What the card itself refuses (the access conditions,
/// a value block's format or range) it answers with NAK and drops out of its session
/// (deselect); what the reader checks before it sends (blocks outside the card or the
/// authenticated sector, a transfer with nothing to transfer) leaves the session as it is.
class MifareClassic {
public:
    static MifareClassic makeDefault(CardKind kind, const Uid& uid, std::uint8_t credit);
    /// A card from a raw memory dump of 1024 (1K) or 4096 (4K) bytes.
    [[nodiscard]] static std::optional<MifareClassic> fromDump(std::span<const std::uint8_t> dump);
    std::vector<std::uint8_t> dump() const;

    CardKind kind() const { return kind_; }
    Uid uid() const;
    std::array<std::uint8_t, 2> atqa() const;
    std::uint8_t sak() const;
    CardState state() const { return state_; }
    const Block& block(std::size_t index) const { return memory_.at(index); }
    std::size_t blockCount() const { return memory_.size(); }
    /// Whether the sector's access bits are malformed, so that nothing opens it.
    bool sectorBlocked(std::size_t sector) const;

    /// REQA (wakeHalted false) or WUPA (true). Returns whether the card answers; an answering
    /// card is Ready and has lost any authentication.
    bool wake(bool wakeHalted);
    /// Ready to Active on a select of this card's UID.
    bool select();
    /// Active or Ready back to Idle (to Halt when a WUPA woke it from Halt, ISO/IEC 14443-3's
    /// ACTIVE* state): another card was selected, or the card refused a command (NAK).
    void deselect();
    /// Active to Halt.
    bool halt();
    /// Field off or card taken away: the card forgets everything but its memory.
    void powerOff();

    [[nodiscard]] std::int32_t authenticate(KeyType type, std::size_t block, const Key& key);
    [[nodiscard]] std::int32_t read(std::size_t first, std::size_t count,
                                    std::vector<std::uint8_t>& out);
    [[nodiscard]] std::int32_t write(std::size_t first, std::size_t count,
                                     std::span<const std::uint8_t> data);
    [[nodiscard]] std::int32_t valueOperation(ValueOperation operation, std::size_t block,
                                              std::int32_t operand);
    [[nodiscard]] std::int32_t transfer(std::size_t block);

    /// Console tools that act on the memory directly, past the access conditions.
    void setCredit(std::uint8_t credit);
    /// Gives every blocked sector a default trailer again.
    std::size_t revive();

private:
    struct Authentication {
        std::size_t sector;
        KeyType key;
    };
    struct PendingValue {
        std::int32_t value;
        std::uint8_t address;
    };

    MifareClassic(CardKind kind, std::vector<Block> memory);
    std::optional<SectorConditions> conditionsOf(std::size_t sector) const;
    /// The reader's own checks: blocks inside the card and one sector, that sector authenticated.
    [[nodiscard]] std::int32_t checkRange(std::size_t first, std::size_t count) const;
    /// The authenticated sector's conditions, or nothing where the card opens nothing to this
    /// authentication (malformed access bits, a readable key B).
    std::optional<SectorConditions> openConditions() const;
    bool valueAllowed(std::size_t block, DataOperation operation) const;
    Block readable(std::size_t block, const SectorConditions& conditions) const;
    void loseAuthentication();
    /// A NAK: the card drops out of its session and the status goes back to the reader.
    [[nodiscard]] std::int32_t refuse(std::int32_t status);

    CardKind kind_;
    std::vector<Block> memory_;
    CardState state_ = CardState::Idle;
    bool wokenFromHalt_ = false;
    std::optional<Authentication> authenticated_;
    std::optional<PendingValue> pending_;
};

} // namespace kov450
