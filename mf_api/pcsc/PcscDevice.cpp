// The PC/SC back end's reader functions, its service calls, and opening a reader.
#include "mf_api/pcsc/PcscBackend.h"

#include "mf_api/pcsc/ReaderChoice.h"
#include "protocol/Status.h"

#include <MF_API.h>
#include <reader.h> // SCARD_ATTR_VENDOR_IFD_SERIAL_NO

#include <algorithm>

namespace mfapi::pcsc {

namespace status = protocol::status;

// A PC/SC reader has no bus address, line speed, buzzer, LEDs, RF switch, Wiegand output or
// reset of its own to reach: those calls are unknown commands to it.

Result<std::uint8_t> PcscBackend::getAddress(std::uint8_t) {
    // 0 is the address that reaches any reader, which a PC/SC reader is.
    return {status::kOk, 0};
}
std::int32_t PcscBackend::setAddress(std::uint8_t, std::uint8_t) {
    return status::kUnknownCommand;
}
std::int32_t PcscBackend::setLineSpeed(std::uint8_t, std::uint32_t) {
    return status::kUnknownCommand;
}
std::int32_t PcscBackend::setSerial(std::uint8_t, std::span<const std::uint8_t>) {
    return status::kUnknownCommand;
}
std::int32_t PcscBackend::reset(std::uint8_t) {
    return status::kUnknownCommand;
}
std::int32_t PcscBackend::buzzer(std::uint8_t, std::int16_t) {
    return status::kUnknownCommand;
}
std::int32_t PcscBackend::leds(std::uint8_t, std::uint8_t, std::uint8_t) {
    return status::kUnknownCommand;
}
std::int32_t PcscBackend::rfField(std::uint8_t, bool) {
    return status::kUnknownCommand;
}
std::int32_t PcscBackend::wiegand(std::uint8_t, std::uint8_t, std::uint8_t) {
    return status::kUnknownCommand;
}

Result<std::string> PcscBackend::getVersion(std::uint8_t) {
    const std::string& name = readerNames_.front();
    return {status::kOk, name.substr(0, std::min(name.size(), protocol::kMaxVersionText))};
}

Result<protocol::SerialBytes> PcscBackend::getSerial(std::uint8_t) {
    CardHandle direct;
    SCARDHANDLE handle = card_.get();
    if (!card_.valid()) {
        // The reader's own attribute needs no card: a direct connection to the reader.
        DWORD protocol = 0;
        const LONG result = SCardConnect(context_.get(), readerNames_.front().c_str(),
                                         SCARD_SHARE_DIRECT, 0, &handle, &protocol);
        if (result != SCARD_S_SUCCESS) {
            const Failure failure = classify(result);
            return {failure == Failure::ServiceGone || failure == Failure::Busy
                        ? fail(result)
                        : status::kUnknownCommand,
                    {}};
        }
        direct = CardHandle(handle, protocol);
        direct.leaveAs(SCARD_LEAVE_CARD);
    }
    std::array<std::uint8_t, 64> value{};
    DWORD length = value.size();
    const LONG result =
        SCardGetAttrib(handle, SCARD_ATTR_VENDOR_IFD_SERIAL_NO, value.data(), &length);
    if (classify(result) == Failure::ServiceGone) {
        return {fail(result), {}};
    }
    // A text's terminator is no part of the number.
    const auto used = std::find(value.begin(), value.begin() + std::min<DWORD>(length, 64), 0);
    if (result != SCARD_S_SUCCESS || used == value.begin()) {
        return {status::kUnknownCommand, {}};
    }
    protocol::SerialBytes serial{};
    std::copy_n(
        value.begin(),
        std::min<std::size_t>(static_cast<std::size_t>(used - value.begin()), serial.size()),
        serial.begin());
    return {status::kOk, serial};
}

std::variant<ReaderStatus, std::int32_t> PcscBackend::readerNow() {
    std::vector<ReaderStatus> statuses;
    const LONG result = readerStatus(context_, readerNames_, statuses);
    if (result != SCARD_S_SUCCESS || statuses.empty()) {
        return fail(result);
    }
    return statuses.front();
}

std::int32_t PcscBackend::fail(LONG result) {
    const Failure failure = classify(result);
    if (failure == Failure::CardGone) {
        dropCard();
    } else if (failure == Failure::ServiceGone) {
        // pcscd stopped or the reader left: every handle is dead, and the port closes.
        card_.leaveAs(SCARD_LEAVE_CARD);
        card_.reset();
        endSession();
        gone_ = true;
    }
    return statusOf(failure);
}

std::variant<std::unique_ptr<Backend>, std::int32_t> openPcscBackend(const PcscPort& port) {
    Context context;
    const LONG established = context.establish();
    if (established != SCARD_S_SUCCESS) {
        return classify(established) == Failure::ServiceGone ? MF_ERR_NO_SERVICE : MF_ERR_IO;
    }
    std::vector<std::string> names;
    const LONG listed = listReaders(context, names);
    if (listed == SCARD_E_NO_READERS_AVAILABLE || (listed == SCARD_S_SUCCESS && names.empty())) {
        return MF_ERR_NO_SUCH_PORT;
    }
    std::vector<ReaderStatus> statuses;
    const LONG looked = listed == SCARD_S_SUCCESS ? readerStatus(context, names, statuses) : listed;
    if (looked != SCARD_S_SUCCESS) {
        return classify(looked) == Failure::ServiceGone ? MF_ERR_NO_SERVICE : MF_ERR_IO;
    }
    std::vector<ReaderSeen> seen;
    for (std::size_t index = 0; index < names.size(); ++index) {
        seen.push_back(ReaderSeen{names[index], statuses[index].atr});
    }
    const auto chosen = chooseReader(seen, port.nameContains);
    if (!chosen) {
        return MF_ERR_NO_SUCH_PORT;
    }
    if (statuses[*chosen].heldExclusively()) {
        return MF_ERR_PORT_BUSY;
    }
    return std::make_unique<PcscBackend>(std::move(context), names[*chosen],
                                         KeyStoreFile(KeyStoreFile::defaultPath()));
}

} // namespace mfapi::pcsc
