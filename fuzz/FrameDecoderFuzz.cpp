// libFuzzer target: the frame decoder of both directions, and the reader model behind it, must
// take any bytes without reading past them, and every frame it yields must encode back to the
// bytes it came from.
#include "emulator/model/Reader.h"
#include "protocol/FrameDecoder.h"
#include "protocol/FrameEncoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    // Split the input in two feeds, so that frames cut across calls are exercised too.
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    for (const auto kind : {protocol::FrameKind::Request, protocol::FrameKind::Answer}) {
        protocol::FrameDecoder decoder(kind);
        auto first = decoder.feed(input.first(cut));
        auto second = decoder.feed(input.subspan(cut));
        if (decoder.pendingBytes() > protocol::kAnswerOverhead + protocol::kMaxPayload) {
            std::abort();
        }
        first.frames.insert(first.frames.end(), second.frames.begin(), second.frames.end());
        kov450::Reader reader;
        for (const protocol::Frame& frame : first.frames) {
            const auto bytes = protocol::encodeFrame(frame);
            if (!bytes) {
                std::abort();
            }
            protocol::FrameDecoder again(kind);
            const auto decoded = again.feed(*bytes);
            if (decoded.frames.size() != 1 || !(decoded.frames[0] == frame)) {
                std::abort();
            }
            if (const auto answer = reader.handle(frame);
                answer && !protocol::encodeFrame(*answer)) {
                std::abort();
            }
        }
    }
    return 0;
}
