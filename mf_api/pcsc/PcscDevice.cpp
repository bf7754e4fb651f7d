// The PC/SC back end's reader functions, its service calls, and opening a reader.
#include "mf_api/pcsc/PcscBackend.h"

#include "mf_api/pcsc/ReaderChoice.h"
#include "protocol/Status.h"

#include <MF_API.h>
#include <reader.h> // SCARD_ATTR_VENDOR_IFD_SERIAL_NO

#include <algorithm>

namespace mfapi::pcsc {

namespace status = protocol::status;

namespace {

/// The readers the service knows, and each one's status now.
LONG lookAtReaders(PcscLink& link, std::vector<std::string>& names,
                   std::vector<ReaderStatus>& statuses) {
    const LONG listed = link.listReaders(names);
    if (listed != SCARD_S_SUCCESS || names.empty()) {
        return listed;
    }
    return link.readerStatus(names, statuses);
}

/// What the choice of reader looks at: each name, with the ATR of a card that answers there.
std::vector<ReaderSeen> seenOf(const std::vector<std::string>& names,
                               const std::vector<ReaderStatus>& statuses) {
    std::vector<ReaderSeen> seen;
    for (std::size_t index = 0; index < names.size() && index < statuses.size(); ++index) {
        seen.push_back(ReaderSeen{names[index], statuses[index].cardPresent()
                                                    ? statuses[index].atr
                                                    : std::vector<std::uint8_t>{}});
    }
    return seen;
}

/// MF_InitComm's status when the service fails it.
std::int32_t openFailure(LONG result) {
    const Failure failure = classify(result);
    if (failure == Failure::ServiceGone) {
        return MF_ERR_NO_SERVICE;
    }
    return failure == Failure::Timeout ? MF_ERR_TIMEOUT : MF_ERR_IO;
}

} // namespace

Result<std::uint8_t> PcscBackend::getAddress(std::uint8_t) {
    // 0 is the address that reaches any reader, which a PC/SC reader is.
    return {status::kOk, 0};
}

Result<std::string> PcscBackend::getVersion(std::uint8_t) {
    const std::string& name = readerNames_.front();
    return {status::kOk, name.substr(0, std::min(name.size(), protocol::kMaxVersionText))};
}

Result<protocol::SerialBytes> PcscBackend::getSerial(std::uint8_t) {
    const bool direct = !link_.cardConnected();
    if (direct) {
        // The reader's own attribute needs no card: a direct connection to the reader.
        const LONG result = link_.connect(readerNames_.front(), SCARD_SHARE_DIRECT, 0);
        if (result != SCARD_S_SUCCESS) {
            const Failure failure = classify(result);
            return {failure == Failure::ServiceGone || failure == Failure::Busy ||
                            failure == Failure::Timeout
                        ? fail(result)
                        : status::kUnknownCommand,
                    {}};
        }
    }
    std::vector<std::uint8_t> value;
    const LONG result = link_.attribute(SCARD_ATTR_VENDOR_IFD_SERIAL_NO, value);
    if (direct) {
        link_.disconnect(SCARD_LEAVE_CARD);
    }
    const Failure failure = classify(result);
    if (failure == Failure::ServiceGone || failure == Failure::Timeout) {
        return {fail(result), {}};
    }
    // A text's terminator is no part of the number.
    const auto used = std::find(value.begin(), value.end(), 0);
    if (result != SCARD_S_SUCCESS || used == value.begin()) {
        return {status::kUnknownCommand, {}};
    }
    protocol::SerialBytes serial{};
    std::copy_n(value.begin(),
                std::min(static_cast<std::size_t>(used - value.begin()), serial.size()),
                serial.begin());
    return {status::kOk, serial};
}

Result<ReaderStatus> PcscBackend::cardElsewhere() {
    std::vector<std::string> names;
    std::vector<ReaderStatus> statuses;
    const LONG looked = lookAtReaders(link_, names, statuses);
    if (looked == SCARD_E_NO_READERS_AVAILABLE || (looked == SCARD_S_SUCCESS && names.empty())) {
        return {status::kNoCard, {}};
    }
    if (looked != SCARD_S_SUCCESS) {
        return {fail(looked), {}};
    }
    const auto chosen = contactlessReaderWithACard(seenOf(names, statuses));
    if (!chosen || names[*chosen] == readerNames_.front()) {
        return {status::kNoCard, {}};
    }
    readerNames_ = {names[*chosen]};
    haltedAt_.reset(); // a halt belongs to the card in the reader left behind
    return {status::kOk, statuses[*chosen]};
}

Result<ReaderStatus> PcscBackend::readerNow() {
    std::vector<ReaderStatus> statuses;
    const LONG result = link_.readerStatus(readerNames_, statuses);
    if (result != SCARD_S_SUCCESS || statuses.empty()) {
        return {fail(result), {}};
    }
    return {status::kOk, statuses.front()};
}

std::int32_t PcscBackend::fail(LONG result) {
    const Failure failure = classify(result);
    if (failure == Failure::CardGone || failure == Failure::Timeout) {
        // A call that ran out of time left the card behind with its context (PcscLink): the
        // card's session is over, and the next request connects anew.
        dropCard();
    } else if (failure == Failure::ServiceGone) {
        // pcscd stopped or the reader left: every handle is dead, and the port closes.
        link_.disconnect(SCARD_LEAVE_CARD);
        endSession();
        gone_ = true;
    }
    return statusOf(failure);
}

Result<std::unique_ptr<Backend>> openPcscBackend(const PcscPort& port,
                                                 std::chrono::milliseconds answerMargin) {
    PcscLink link(pcscCallTimeout(answerMargin));
    if (const LONG established = link.establish(); established != SCARD_S_SUCCESS) {
        return {openFailure(established), {}};
    }
    std::vector<std::string> names;
    std::vector<ReaderStatus> statuses;
    const LONG looked = lookAtReaders(link, names, statuses);
    if (looked == SCARD_E_NO_READERS_AVAILABLE || (looked == SCARD_S_SUCCESS && names.empty())) {
        return {MF_ERR_NO_SUCH_PORT, {}};
    }
    if (looked != SCARD_S_SUCCESS) {
        return {openFailure(looked), {}};
    }
    const auto chosen = chooseReader(seenOf(names, statuses), port.nameContains);
    if (!chosen) {
        return {MF_ERR_NO_SUCH_PORT, {}};
    }
    if (statuses[*chosen].heldExclusively()) {
        return {MF_ERR_PORT_BUSY, {}};
    }
    // `pcsc` without a name follows a card to any contactless reader; `pcsc:TEXT` stays.
    return {MF_OK, std::make_unique<PcscBackend>(std::move(link), names[*chosen],
                                                 KeyStoreFile(KeyStoreFile::defaultPath()),
                                                 port.nameContains.empty())};
}

} // namespace mfapi::pcsc
