#pragma once

#include "mf_api/Backend.h"
#include "mf_api/Connection.h"

#include <memory>

namespace mfapi {

/// The reader's operations as frames of our protocol, over a serial line or TCP.
std::unique_ptr<Backend> makeFramedBackend(std::unique_ptr<Connection> connection);

} // namespace mfapi
