#pragma once

#include "mf_api/Backend.h"
#include "mf_api/PortName.h"
#include "mf_api/pcsc/KeyStoreFile.h"
#include "mf_api/pcsc/PcscErrors.h"
#include "mf_api/pcsc/PcscHandles.h"
#include "mf_api/pcsc/PcscLink.h"
#include "mf_api/pcsc/StatusWords.h"
#include "mifare/StorageCommands.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mfapi::pcsc {

/// The reader's volatile key location that MF_LoadKey fills.
inline constexpr std::uint8_t kVolatileKeyNumber = 0x00;

/// The reader's operations on a PC/SC contactless reader, as the storage-card commands of the
/// PC/SC standard (docs/pcsc.md). The library keeps the card session that the reader does not
/// show: whether a card was requested, its UID, selection, the authenticated sector, the value
/// of the last MF_Value and a halted card. Every call to the service has the link's deadline.
/// A PC/SC reader has no bus address, line speed, buzzer, LEDs, RF switch, Wiegand output or
/// reset of its own to reach: the back end has no device functions.
class PcscBackend final : public Backend {
public:
    /// `followsCards`: at a request that finds no card in the reader, look for one in the other
    /// contactless readers and move there (port `pcsc` without a name).
    PcscBackend(PcscLink link, std::string reader, KeyStoreFile keys, bool followsCards);

    Result<std::uint8_t> getAddress(std::uint8_t device) override;
    Result<std::string> getVersion(std::uint8_t device) override;
    Result<protocol::SerialBytes> getSerial(std::uint8_t device) override;

    Result<protocol::CardTypeBytes> request(std::uint8_t device,
                                            protocol::RequestMode mode) override;
    Result<protocol::Uid> anticollision(std::uint8_t device) override;
    [[nodiscard]] std::int32_t select(std::uint8_t device, const protocol::Uid& uid) override;
    [[nodiscard]] std::int32_t halt(std::uint8_t device) override;
    [[nodiscard]] std::int32_t loadKey(std::uint8_t device, const protocol::Key& key) override;
    [[nodiscard]] std::int32_t loadStoredKey(std::uint8_t device, protocol::KeyType keyType,
                                             std::uint8_t slot) override;
    [[nodiscard]] std::int32_t storeKey(std::uint8_t device, protocol::KeyType keyType,
                                        std::uint8_t slot, const protocol::Key& key) override;
    [[nodiscard]] std::int32_t authenticate(std::uint8_t device, protocol::KeyType keyType,
                                            std::uint8_t block, const protocol::Uid& uid) override;
    Result<std::vector<std::uint8_t>> read(std::uint8_t device, std::uint8_t block,
                                           std::uint8_t count) override;
    [[nodiscard]] std::int32_t write(std::uint8_t device, std::uint8_t block, std::uint8_t count,
                                     std::span<const std::uint8_t> data) override;
    [[nodiscard]] std::int32_t value(std::uint8_t device, protocol::ValueOperation operation,
                                     std::uint8_t block, std::int32_t operand) override;
    [[nodiscard]] std::int32_t transfer(std::uint8_t device, std::uint8_t block) override;

    bool gone() const override { return gone_; }

private:
    /// The key authentication uses: bytes loaded into the reader's volatile location, or a key
    /// number of the reader's own key memory.
    struct CurrentKey {
        protocol::Key bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        std::uint8_t number = kVolatileKeyNumber;
        bool keptByReader = false;
    };
    struct PendingValue {
        std::int32_t value = 0;
        std::uint8_t address = 0;
    };

    /// The reader's status, or the status of the failure.
    Result<ReaderStatus> readerNow();
    /// Moves to the first other contactless reader that holds a card and gives its status; 1
    /// when no other one does, or the status of the failure.
    Result<ReaderStatus> cardElsewhere();
    /// One APDU to the card; `data` gets the answer without its status word.
    [[nodiscard]] std::int32_t exchange(CardStep step, const mifare::Apdu& apdu,
                                        std::vector<std::uint8_t>* data);
    /// Notes what a PC/SC failure means (the card or the service gone, or a call that ran out
    /// of time) and gives its status.
    [[nodiscard]] std::int32_t fail(LONG result);
    /// The card left or stopped answering: let go of it and of its session.
    void dropCard();
    /// A request, a failed authentication or the card's leaving end the card's session.
    void endSession();
    /// A memory operation the card refused: on the air the card answers NAK and drops out of
    /// its session, so the library's record does too, and the next operation needs a request.
    [[nodiscard]] std::int32_t refusedByCard(std::int32_t outcome);
    /// Loads the current key into the reader's volatile location unless it is there already.
    [[nodiscard]] std::int32_t ensureKeyLoaded();
    /// 7 unless a card is selected; 6 outside the card or across sectors; 4 unless the sector
    /// is the authenticated one; 0 when the blocks may be sent.
    [[nodiscard]] std::int32_t checkBlocks(std::uint8_t block, std::uint8_t count) const;

    PcscLink link_;
    std::vector<std::string> readerNames_; ///< The one reader, as readerStatus takes it.
    bool followsCards_;
    KeyStoreFile keys_;
    std::uint16_t cardEvents_ = 0; ///< The reader's card event count when the card was connected.
    std::vector<std::uint8_t> atr_;
    bool ready_ = false;
    std::optional<protocol::Uid> uid_;
    bool selected_ = false;
    std::optional<std::size_t> authenticatedSector_;
    std::optional<PendingValue> pending_;
    std::optional<std::uint16_t> haltedAt_; ///< The card event count when the card was halted.
    CurrentKey key_;
    bool keyLoaded_ = false;
    bool gone_ = false;
};

/// Opens the PC/SC reader the port names, each call to the service allowed the answer margin and
/// the service's turnaround: -12 without a PC/SC service, -5 without such a reader, 9 when
/// another program holds it exclusively.
Result<std::unique_ptr<Backend>> openPcscBackend(const PcscPort& port,
                                                 std::chrono::milliseconds answerMargin);

} // namespace mfapi::pcsc
