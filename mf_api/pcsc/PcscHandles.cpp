#include "mf_api/pcsc/PcscHandles.h"

#include "mf_api/pcsc/ReaderChoice.h"

#include <algorithm>

namespace mfapi::pcsc {

namespace {
// Longest short response APDU: 256 data bytes and the status word.
constexpr std::size_t kLongestAnswer = 258;
// pcsc-lite serves at most 16 readers; the list of their names is bounded accordingly.
constexpr DWORD kLongestReaderList = 16 * (MAX_READERNAME + 1) + 1;
// pcsc-lite carries no longer attribute.
constexpr DWORD kLongestAttribute = MAX_BUFFER_SIZE;
} // namespace

LONG Context::establish() {
    reset();
    return SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_);
}

void Context::reset() {
    if (context_ != 0) {
        SCardReleaseContext(context_);
        context_ = 0;
    }
}

void CardHandle::reset() {
    if (handle_ != 0) {
        SCardDisconnect(handle_, disposition_);
        handle_ = 0;
    }
}

LONG listReaders(const Context& context, std::vector<std::string>& names) {
    std::vector<char> buffer(kLongestReaderList);
    DWORD size = kLongestReaderList;
    const LONG result = SCardListReaders(context.get(), nullptr, buffer.data(), &size);
    names.clear();
    if (result != SCARD_S_SUCCESS) {
        return result;
    }
    names =
        readerNamesOf(std::string_view(buffer.data(), std::min<DWORD>(size, kLongestReaderList)));
    return SCARD_S_SUCCESS;
}

LONG readerStatus(const Context& context, const std::vector<std::string>& names,
                  std::vector<ReaderStatus>& statuses) {
    std::vector<SCARD_READERSTATE> states(names.size());
    for (std::size_t index = 0; index < names.size(); ++index) {
        states[index].szReader = names[index].c_str();
        states[index].dwCurrentState = SCARD_STATE_UNAWARE;
    }
    const LONG result =
        SCardGetStatusChange(context.get(), 0, states.data(), static_cast<DWORD>(states.size()));
    statuses.clear();
    if (result != SCARD_S_SUCCESS) {
        return result;
    }
    for (const SCARD_READERSTATE& state : states) {
        const std::size_t length = std::min<std::size_t>(state.cbAtr, sizeof state.rgbAtr);
        statuses.push_back(ReaderStatus{
            state.dwEventState, std::vector<std::uint8_t>(state.rgbAtr, state.rgbAtr + length)});
    }
    return SCARD_S_SUCCESS;
}

LONG connect(const Context& context, const std::string& reader, DWORD shareMode, DWORD protocols,
             CardHandle& card) {
    card.reset();
    SCARDHANDLE handle = 0;
    DWORD protocol = 0;
    const LONG result =
        SCardConnect(context.get(), reader.c_str(), shareMode, protocols, &handle, &protocol);
    if (result == SCARD_S_SUCCESS) {
        card = CardHandle(handle, protocol);
        if (shareMode == SCARD_SHARE_DIRECT) {
            card.leaveAs(SCARD_LEAVE_CARD);
        }
    }
    return result;
}

LONG transmit(const CardHandle& card, std::span<const std::uint8_t> apdu,
              std::vector<std::uint8_t>& answer) {
    answer.resize(kLongestAnswer);
    DWORD length = kLongestAnswer;
    const SCARD_IO_REQUEST* pci =
        card.protocol() == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
    const LONG result = SCardTransmit(card.get(), pci, apdu.data(), static_cast<DWORD>(apdu.size()),
                                      nullptr, answer.data(), &length);
    answer.resize(result == SCARD_S_SUCCESS ? std::min<std::size_t>(length, kLongestAnswer) : 0);
    return result;
}

LONG attribute(const CardHandle& card, DWORD id, std::vector<std::uint8_t>& value) {
    value.resize(kLongestAttribute);
    DWORD length = kLongestAttribute;
    const LONG result = SCardGetAttrib(card.get(), id, value.data(), &length);
    value.resize(result == SCARD_S_SUCCESS ? std::min<std::size_t>(length, kLongestAttribute) : 0);
    return result;
}

} // namespace mfapi::pcsc
