// The public header and protocol/ (which names each status for the trace and the tools, and
// each coded argument) hold the same numbers: a code changed in one place alone does not build.
#include "protocol/Codes.h"
#include "protocol/Status.h"

#include <MF_API.h>

namespace {
using namespace protocol::status;

// The reader's status codes are ours: the library hands them on as they come.
static_assert(kOk == MF_OK);
static_assert(kNoCard == MF_ERR_NO_CARD);
static_assert(kCardNoAnswer == MF_ERR_CARD_NO_ANSWER);
static_assert(kAuthFailed == MF_ERR_AUTH_FAILED);
static_assert(kNotAuthenticated == MF_ERR_NOT_AUTHENTICATED);
static_assert(kAccessDenied == MF_ERR_ACCESS_DENIED);
static_assert(kBadBlock == MF_ERR_BAD_BLOCK);
static_assert(kNotSelected == MF_ERR_NOT_SELECTED);
static_assert(kNotValueBlock == MF_ERR_NOT_VALUE_BLOCK);
static_assert(kBadParameter == MF_ERR_BAD_PARAMETER);
static_assert(kUnknownCommand == MF_ERR_UNKNOWN_COMMAND);
static_assert(kNoValuePending == MF_ERR_NO_VALUE_PENDING);
static_assert(!protocol::isReaderStatus(MF_ERR_PORT_BUSY));

static_assert(kPortBusy == MF_ERR_PORT_BUSY);
static_assert(kNotOpen == MF_ERR_NOT_OPEN);
static_assert(kTimeout == MF_ERR_TIMEOUT);
static_assert(kBadFrame == MF_ERR_BAD_FRAME);
static_assert(kDeviceGone == MF_ERR_DEVICE_GONE);
static_assert(kNoSuchPort == MF_ERR_NO_SUCH_PORT);
static_assert(kPermission == MF_ERR_PERMISSION);
static_assert(kBadArgument == MF_ERR_BAD_ARGUMENT);
static_assert(kIo == MF_ERR_IO);
static_assert(kBadSpeed == MF_ERR_BAD_SPEED);
static_assert(kUnsafePortFolder == MF_ERR_UNSAFE_PORT_FOLDER);
static_assert(kUnknownStatus == MF_ERR_UNKNOWN_STATUS);
static_assert(kNoService == MF_ERR_NO_SERVICE);
static_assert(kLibraryMissing == MF_ERR_LIBRARY_MISSING);
static_assert(kFunctionMissing == MF_ERR_FUNCTION_MISSING);

// So are the codes of the coded arguments: they go on as they come.
static_assert(protocol::toByte(protocol::KeyType::A) == MF_KEY_A);
static_assert(protocol::toByte(protocol::KeyType::B) == MF_KEY_B);
static_assert(protocol::toByte(protocol::RequestMode::IdleOnly) == MF_REQUEST_IDLE);
static_assert(protocol::toByte(protocol::RequestMode::All) == MF_REQUEST_ALL);
static_assert(protocol::toByte(protocol::ValueOperation::Increment) == MF_VALUE_INCREMENT);
static_assert(protocol::toByte(protocol::ValueOperation::Decrement) == MF_VALUE_DECREMENT);
static_assert(protocol::toByte(protocol::ValueOperation::Restore) == MF_VALUE_RESTORE);
} // namespace
