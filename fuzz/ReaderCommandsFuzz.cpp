// libFuzzer target: the emulated reader's command handling. The input is a run of requests
// (command, payload length, payload) handed to the reader model with a default card in the
// field, so that sequences reach authenticated sectors, writes and value operations. Every
// answer must encode, and the reader must never crash or read past a payload.
#include "emulator/model/Reader.h"
#include "protocol/FrameEncoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kov450::Reader reader;
    reader.present(reader.addCard(kov450::MifareClassic::makeDefault(
        kov450::CardKind::Classic1K, kov450::Uid{0xA1, 0xB2, 0xC3, 0xD4}, 50)));
    std::span<const std::uint8_t> rest(data, size);
    while (rest.size() >= 2) {
        const std::uint8_t command = rest[0];
        const std::size_t length =
            std::min<std::size_t>(rest[1] % (protocol::kMaxPayload + 1), rest.size() - 2);
        protocol::Frame request{
            protocol::FrameKind::Request, 0, command, 0,
            std::vector<std::uint8_t>(rest.begin() + 2,
                                      rest.begin() + 2 + static_cast<std::ptrdiff_t>(length))};
        rest = rest.subspan(2 + length);
        const auto answer = reader.handle(request);
        if (!answer || !protocol::encodeFrame(*answer)) {
            std::abort(); // address 0 always gets an answer, and every answer must fit a frame
        }
    }
    return 0;
}
