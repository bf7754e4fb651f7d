#include "mf_api/pcsc/PcscErrors.h"

#include "protocol/Status.h"

#include <MF_API.h>

namespace mfapi::pcsc {

Failure classify(LONG result) {
    switch (result) {
    case SCARD_S_SUCCESS:
        return Failure::None;
    case SCARD_W_REMOVED_CARD:
    case SCARD_E_NO_SMARTCARD:
    case SCARD_W_RESET_CARD:
    case SCARD_W_UNPOWERED_CARD:
    case SCARD_W_UNRESPONSIVE_CARD:
    case SCARD_E_NOT_TRANSACTED: // the driver lost the card in the middle of an exchange
    case SCARD_E_PROTO_MISMATCH:
        return Failure::CardGone;
    case SCARD_E_NO_SERVICE:
    case SCARD_E_SERVICE_STOPPED:
    case SCARD_F_COMM_ERROR:
    case SCARD_E_INVALID_HANDLE: // a restarted pcscd knows none of our handles
    case SCARD_E_READER_UNAVAILABLE:
    case SCARD_E_UNKNOWN_READER:
    case SCARD_E_NO_READERS_AVAILABLE:
        return Failure::ServiceGone;
    case SCARD_E_SHARING_VIOLATION:
        return Failure::Busy;
    case SCARD_E_TIMEOUT:
        return Failure::Timeout;
    default:
        return Failure::Other;
    }
}

std::int32_t statusOf(Failure failure) {
    switch (failure) {
    case Failure::None:
        return protocol::status::kOk;
    case Failure::CardGone:
        return protocol::status::kCardNoAnswer;
    case Failure::ServiceGone:
        return MF_ERR_DEVICE_GONE;
    case Failure::Busy:
        return MF_ERR_PORT_BUSY;
    case Failure::Timeout:
        return MF_ERR_TIMEOUT;
    case Failure::Other:
        break;
    }
    return MF_ERR_IO;
}

} // namespace mfapi::pcsc
