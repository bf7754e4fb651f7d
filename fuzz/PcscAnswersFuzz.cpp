// libFuzzer target: our library's reading of what a PC/SC reader answers. The input is taken as
// a response APDU to every storage-card command (its status word, the UID of a Get Data
// answer), as an ATR, its blocks as value blocks, and as a reader's name. The status depends on
// the last two bytes alone and is success only for 90 00; the historical bytes lie inside the
// ATR, where its format byte says, whatever follows them; a value block decodes only to what
// encodes back to the same bytes; a list of reader names splits into whole names; a reader is
// found by its own name.
#include "fuzz/Require.h"
#include "mf_api/pcsc/CardAtr.h"
#include "mf_api/pcsc/CardUid.h"
#include "mf_api/pcsc/ReaderChoice.h"
#include "mf_api/pcsc/StatusWords.h"
#include "mifare/StorageCardAtr.h"
#include "mifare/ValueBlock.h"
#include "protocol/Status.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace mfapi::pcsc;
using namespace mifare;
using Bytes = std::span<const std::uint8_t>;

using fuzzing::require;

void checkStatusWords(Bytes answer) {
    const bool hasWord = answer.size() >= 2;
    const bool ok = hasWord && answer[answer.size() - 2] == 0x90 && answer.back() == 0x00;
    for (const CardStep step : {CardStep::Uid, CardStep::LoadKey, CardStep::Authenticate,
                                CardStep::Read, CardStep::Write}) {
        const std::int32_t status = statusOfAnswer(step, answer);
        require((status == protocol::status::kOk) == ok);
        if (!hasWord) {
            require(status == protocol::status::kCardNoAnswer);
            continue;
        }
        require(status == statusOfAnswer(step, answer.last(2)));
    }
    if (ok) {
        // The UID, as the back end reads it from a Get Data answer of any length.
        const Bytes data = answer.first(answer.size() - 2);
        const auto uid = uidOfGetData(data);
        require(uid.has_value() == (data.size() >= protocol::kUidSize));
        require(!uid || std::equal(uid->begin(), uid->end(), data.begin()));
    }
}

void checkAtr(Bytes atr) {
    const auto historical = historicalBytes(atr);
    if (historical) {
        require(atr.size() >= 2 && historical->size() == (atr[1] & 0x0FU));
        require(historical->data() > atr.data() &&
                historical->data() + historical->size() <= atr.data() + atr.size());
        // A check byte (or anything) after them changes nothing.
        std::vector<std::uint8_t> longer(atr.begin(), atr.end());
        longer.push_back(0x00);
        const auto again = historicalBytes(longer);
        require(again && again->size() == historical->size() &&
                again->data() - longer.data() == historical->data() - atr.data());
    }
    const auto name = storageCardName(atr);
    require(!name || historical);
    const auto type = cardTypeFromAtr(atr);
    const std::size_t blocks = blockCountFromAtr(atr);
    require(type.has_value() == (name == 0x0001 || name == 0x0002 || name == 0x0026));
    require(blocks == (name == 0x0001 ? 64U : name == 0x0026 ? 20U : 256U));
    static_cast<void>(contactlessAtr(atr));
}

void checkValueBlocks(Bytes input) {
    for (std::size_t at = 0; at + protocol::kBlockSize <= input.size();
         at += protocol::kBlockSize) {
        const std::span<const std::uint8_t, protocol::kBlockSize> bytes(input.data() + at,
                                                                        protocol::kBlockSize);
        if (const auto block = decodeValueBlock(bytes)) {
            const Block encoded = encodeValueBlock(*block);
            require(std::equal(encoded.begin(), encoded.end(), bytes.begin()));
        }
    }
    if (input.size() < 9) {
        return;
    }
    // Any value and address encode to a block that decodes back; any operation stays in range.
    const auto wordAt = [&](std::size_t at) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(input[at]) |
                                         static_cast<std::uint32_t>(input[at + 1]) << 8 |
                                         static_cast<std::uint32_t>(input[at + 2]) << 16 |
                                         static_cast<std::uint32_t>(input[at + 3]) << 24);
    };
    const ValueBlock block{wordAt(0), input[4]};
    require(decodeValueBlock(encodeValueBlock(block)) == block);
    const std::int32_t operand = wordAt(5);
    using protocol::ValueOperation;
    const auto operation = static_cast<ValueOperation>(input[4]);
    if (const auto outcome = applyValueOperation(operation, block.value, operand)) {
        const std::int64_t wide =
            operation == ValueOperation::Increment   ? std::int64_t{block.value} + operand
            : operation == ValueOperation::Decrement ? std::int64_t{block.value} - operand
                                                     : block.value;
        require(*outcome == wide);
    }
}

void checkReaderName(Bytes input) {
    // As the service's list of names: each name whole, none empty, nothing read past the end.
    const std::string_view list(reinterpret_cast<const char*>(input.data()), input.size());
    std::size_t listed = 0;
    for (const std::string& each : readerNamesOf(list)) {
        require(!each.empty() && each.find('\0') == std::string::npos);
        require(list.substr(listed, each.size()) == each);
        listed += each.size() + 1;
    }
    const std::string name(input.begin(), input.end());
    static_cast<void>(namesContactlessSlot(name));
    const std::vector<ReaderSeen> readers{
        {"Virtual PCD 00 00", {}}, {name, std::vector<std::uint8_t>(input.begin(), input.end())}};
    const auto first = chooseReader(readers, "");
    require(first && *first < readers.size());
    if (!name.empty()) {
        const auto chosen = chooseReader({readers[1], readers[0]}, name);
        require(chosen == 0U);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes input(data, size);
    checkStatusWords(input);
    checkAtr(input);
    checkValueBlocks(input);
    checkReaderName(input);
    return 0;
}
