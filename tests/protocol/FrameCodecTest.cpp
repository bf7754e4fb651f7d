#include "protocol/FrameDecoder.h"
#include "protocol/FrameEncoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using protocol::Frame;
using protocol::FrameDecoder;
using protocol::FrameKind;

Frame answer(std::int32_t status, std::vector<std::uint8_t> payload = {}) {
    return Frame{FrameKind::Answer, 7, 0x40, status, std::move(payload)};
}

Frame request(std::vector<std::uint8_t> payload = {}) {
    return Frame{FrameKind::Request, 0, 0x41, 0, std::move(payload)};
}

std::vector<std::uint8_t> wire(const Frame& frame) {
    auto bytes = protocol::encodeFrame(frame);
    EXPECT_TRUE(bytes.has_value());
    return bytes.value_or(std::vector<std::uint8_t>{});
}

TEST(FrameCodec, RequestRoundTripsWithSixBytesOfOverhead) {
    const Frame sent = request({4, 1, 0xA5, 0x5A});
    const auto bytes = wire(sent);
    EXPECT_EQ(bytes.size(), protocol::kRequestOverhead + 4);
    FrameDecoder decoder(FrameKind::Request);
    const auto result = decoder.feed(bytes);
    ASSERT_EQ(result.frames.size(), 1U);
    EXPECT_EQ(result.frames[0], sent);
    EXPECT_EQ(result.skippedBytes, 0U);
}

TEST(FrameCodec, EveryWireStatusRoundTripsThroughOneSignedByte) {
    FrameDecoder decoder(FrameKind::Answer);
    for (std::int32_t status = -128; status <= 127; ++status) {
        const auto result = decoder.feed(wire(answer(status, {1, 2, 3})));
        ASSERT_EQ(result.frames.size(), 1U) << status;
        EXPECT_EQ(result.frames[0].status, status);
    }
}

TEST(FrameCodec, RefusesWhatTheWireCannotCarry) {
    EXPECT_FALSE(protocol::encodeFrame(answer(-129)).has_value());
    EXPECT_FALSE(protocol::encodeFrame(answer(128)).has_value());
    EXPECT_FALSE(
        protocol::encodeFrame(request(std::vector<std::uint8_t>(protocol::kMaxPayload + 1, 0)))
            .has_value());
    EXPECT_TRUE(protocol::encodeFrame(request(std::vector<std::uint8_t>(protocol::kMaxPayload, 0)))
                    .has_value());
}

TEST(FrameCodec, AssemblesAFrameFedOneByteAtATime) {
    const Frame sent = answer(0, std::vector<std::uint8_t>(64, 0x7D));
    FrameDecoder decoder(FrameKind::Answer);
    std::vector<Frame> got;
    for (const std::uint8_t byte : wire(sent)) {
        const auto result = decoder.feed(std::vector<std::uint8_t>{byte});
        got.insert(got.end(), result.frames.begin(), result.frames.end());
    }
    ASSERT_EQ(got.size(), 1U);
    EXPECT_EQ(got[0], sent);
    EXPECT_EQ(decoder.pendingBytes(), 0U);
}

TEST(FrameCodec, SkipsNoiseBeforeAndBetweenFrames) {
    std::vector<std::uint8_t> bytes{0x00, 0xFF, protocol::kAnswerMarker, 0x13};
    const auto first = wire(answer(3));
    const auto second = wire(answer(-2, {9}));
    bytes.insert(bytes.end(), first.begin(), first.end());
    bytes.push_back(protocol::kAnswerMarker);
    bytes.insert(bytes.end(), second.begin(), second.end());
    FrameDecoder decoder(FrameKind::Answer);
    const auto result = decoder.feed(bytes);
    ASSERT_EQ(result.frames.size(), 2U);
    EXPECT_EQ(result.frames[0].status, 3);
    EXPECT_EQ(result.frames[1], answer(-2, {9}));
    EXPECT_EQ(result.skippedBytes, 5U);
}

TEST(FrameCodec, FindsAFrameBehindAMarkerThatAnnouncesALongPayload) {
    // Noise: a marker, then a length of 60 that no frame follows.
    std::vector<std::uint8_t> bytes{protocol::kAnswerMarker, 0x00, 60};
    const auto real = wire(answer(0, {1, 2}));
    bytes.insert(bytes.end(), real.begin(), real.end());
    FrameDecoder decoder(FrameKind::Answer);
    const auto result = decoder.feed(bytes);
    ASSERT_EQ(result.frames.size(), 1U);
    EXPECT_EQ(result.frames[0], answer(0, {1, 2}));
}

TEST(FrameCodec, DropsALengthAboveTheBoundAndResynchronises) {
    std::vector<std::uint8_t> bytes{protocol::kRequestMarker, 0x00,
                                    static_cast<std::uint8_t>(protocol::kMaxPayload + 1)};
    const auto real = wire(request({5}));
    bytes.insert(bytes.end(), real.begin(), real.end());
    FrameDecoder decoder(FrameKind::Request);
    const auto result = decoder.feed(bytes);
    EXPECT_EQ(result.badFrames, 1U);
    ASSERT_EQ(result.frames.size(), 1U);
    EXPECT_EQ(result.frames[0], request({5}));
}

TEST(FrameCodec, CountsACrcErrorAndKeepsNothingOfIt) {
    auto bytes = wire(answer(0, {1, 2, 3}));
    bytes[6] ^= 0x01;
    FrameDecoder decoder(FrameKind::Answer);
    const auto result = decoder.feed(bytes);
    EXPECT_TRUE(result.frames.empty());
    EXPECT_EQ(result.badFrames, 1U);
    EXPECT_EQ(decoder.pendingBytes(), 0U);
}

TEST(FrameCodec, WaitsOnATruncatedFrameWithoutReadingPastIt) {
    const auto bytes = wire(request({1, 2, 3, 4}));
    FrameDecoder decoder(FrameKind::Request);
    const auto result = decoder.feed(std::span(bytes).first(bytes.size() - 1));
    EXPECT_TRUE(result.frames.empty());
    EXPECT_EQ(decoder.pendingBytes(), bytes.size() - 1);
    decoder.reset();
    EXPECT_EQ(decoder.pendingBytes(), 0U);
    EXPECT_TRUE(decoder.feed(std::span(bytes).last(1)).frames.empty());
}

TEST(FrameCodec, IgnoresFramesOfTheOtherDirection) {
    FrameDecoder decoder(FrameKind::Answer);
    const auto result = decoder.feed(wire(request({1})));
    EXPECT_TRUE(result.frames.empty());
}

} // namespace
