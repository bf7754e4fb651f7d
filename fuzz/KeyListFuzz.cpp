// libFuzzer target: tagcard's key list file and the key, new keys and block texts of its command
// line. A key list is refused or gives keys, each written in the text; a key, a pair of new keys
// or a block is refused or holds exactly the bytes its hex digits say.
#include "fuzz/Require.h"
#include "tagcard/Arguments.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using fuzzing::require;

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string shouted = upper(text);

    const auto keys = tagcard::parseKeyList(text);
    if (const auto* list = std::get_if<std::vector<tagcard::Key>>(&keys)) {
        require(!list->empty() && list->size() <= size / 12);
        for (const tagcard::Key& key : *list) {
            require(shouted.find(tagcard::hexText(key)) != std::string::npos);
        }
    }

    const auto key = tagcard::parseKey(text);
    if (const auto* parsed = std::get_if<tagcard::SectorKey>(&key)) {
        require(size == 14 && upper(text.substr(2)) == tagcard::hexText(parsed->bytes));
    }
    const auto newKeys = tagcard::parseNewKeys(text);
    if (const auto* parsed = std::get_if<tagcard::NewKeys>(&newKeys)) {
        require(size == 29 && shouted.find(tagcard::hexText(parsed->a)) != std::string::npos &&
                shouted.find(tagcard::hexText(parsed->b)) != std::string::npos);
    }
    const auto block = tagcard::parseBlockHex(text);
    if (const auto* parsed = std::get_if<tagcard::Block>(&block)) {
        require(shouted == tagcard::hexText(*parsed));
    }
    return 0;
}
