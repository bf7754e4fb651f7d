#include "emulator/host/ErrorLine.h"

namespace kov450 {

std::string errorLine(std::string_view reason) {
    return "error: " + std::string(reason);
}

} // namespace kov450
