#include "protocol/FrameDecoder.h"

#include "protocol/Crc16.h"

#include <algorithm>

namespace protocol {

FrameDecoder::Attempt FrameDecoder::tryParse(std::size_t at, Frame& frame) const {
    const std::size_t overhead = overheadOf(kind_);
    const std::size_t available = pending_.size() - at;
    if (available < 3) {
        return Attempt::Incomplete;
    }
    const std::size_t length = pending_[at + 2];
    if (length > kMaxPayload) {
        return Attempt::Invalid;
    }
    const std::size_t total = overhead + length;
    if (available < total) {
        return Attempt::Incomplete;
    }
    const auto whole = std::span(pending_).subspan(at, total);
    const std::uint16_t expected =
        static_cast<std::uint16_t>((whole[total - 2] << 8) | whole[total - 1]);
    if (crc16(whole.subspan(1, total - 3)) != expected) {
        return Attempt::Invalid;
    }
    const std::size_t payloadAt = kind_ == FrameKind::Answer ? 5 : 4;
    frame.kind = kind_;
    frame.address = whole[1];
    frame.command = whole[3];
    frame.status = kind_ == FrameKind::Answer ? static_cast<std::int8_t>(whole[4]) : 0;
    frame.payload.assign(whole.begin() + static_cast<std::ptrdiff_t>(payloadAt),
                         whole.begin() + static_cast<std::ptrdiff_t>(payloadAt + length));
    return Attempt::Complete;
}

void FrameDecoder::dropFront(std::size_t count, DecodeResult& result) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    result.skippedBytes += count;
}

DecodeResult FrameDecoder::feed(std::span<const std::uint8_t> bytes) {
    DecodeResult result;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    const std::uint8_t marker = markerOf(kind_);
    while (!pending_.empty()) {
        const auto start = std::find(pending_.begin(), pending_.end(), marker);
        dropFront(static_cast<std::size_t>(start - pending_.begin()), result);
        if (pending_.empty()) {
            break;
        }
        Frame frame;
        const Attempt attempt = tryParse(0, frame);
        if (attempt == Attempt::Complete) {
            const std::size_t total = overheadOf(kind_) + frame.payload.size();
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
            result.frames.push_back(std::move(frame));
            continue;
        }
        if (attempt == Attempt::Invalid) {
            ++result.badFrames;
            dropFront(1, result);
            continue;
        }
        // Incomplete: a noise byte that looks like a marker may announce a long frame and so
        // hold back a real one behind it. A complete valid frame further on proves it noise.
        bool overtaken = false;
        for (std::size_t at = 1; at < pending_.size(); ++at) {
            Frame later;
            if (pending_[at] == marker && tryParse(at, later) == Attempt::Complete) {
                dropFront(at, result);
                overtaken = true;
                break;
            }
        }
        if (!overtaken) {
            break;
        }
    }
    return result;
}

} // namespace protocol
