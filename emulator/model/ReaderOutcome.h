#pragma once

// The reader's handlers answer in these words.
#include "emulator/model/Reader.h"
#include "protocol/Messages.h"
#include "protocol/Status.h"

namespace kov450 {

namespace status = protocol::status;

inline CommandOutcome done() {
    return {status::kOk, {}};
}

inline CommandOutcome statusOnly(std::int32_t code) {
    return {code, {}};
}

template <typename Layout> CommandOutcome answer(const Layout& value) {
    return {status::kOk, protocol::encode(value)};
}

} // namespace kov450
