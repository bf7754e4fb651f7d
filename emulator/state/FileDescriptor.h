#pragma once

// The emulator's files share the descriptor owner of the port folder's checks.
#include "ports/FileDescriptor.h"

namespace kov450 {
using ports::FileDescriptor;
} // namespace kov450
