#pragma once

#include "backends/BackEnd.h"

namespace testing_support {

/// The back ends, each described in a file of its own.
BackEnd framedBackEnd();
BackEnd pcscBackEnd();

} // namespace testing_support
