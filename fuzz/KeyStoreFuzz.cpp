// libFuzzer target: the PC/SC key store file's text. Whatever the bytes, a text either reads as
// slots or not at all; slots read are written back as a text that reads as the same slots, and
// that text is written again unchanged.
#include "fuzz/Require.h"
#include "mf_api/pcsc/KeyStoreFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mfapi::pcsc;
    const auto slots = parseKeySlots(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!slots) {
        return 0;
    }
    const std::string text = formatKeySlots(*slots);
    const auto again = parseKeySlots(text);
    require(again && *again == *slots);
    require(formatKeySlots(*again) == text);
    return 0;
}
