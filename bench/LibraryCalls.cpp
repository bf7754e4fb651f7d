#include "LibraryCalls.h"

#include "Emulator.h"
#include "Wire.h"

#include "binding/MfApi.h"
#include "protocol/Command.h"
#include "protocol/Frame.h"
#include "protocol/WireTime.h"

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kUnpacedLimitUs = 200;
constexpr double kPacedTolerance = 0.05;
constexpr int kUnpacedRounds = 300;
constexpr int kPacedRounds = 15;

/// One library call as the benchmark makes it, with its payload sizes on the wire.
struct Call {
    std::string name;
    std::size_t requestPayload;
    std::size_t answerPayload;
    std::function<std::int32_t(reader::MfApi&)> run;
};

struct Buffers {
    std::array<std::uint8_t, 64> bytes{};
    std::array<std::uint8_t, 4> uid{};
    std::array<std::uint8_t, 16> block{};
};

std::vector<Call> calls(Buffers& b) {
    static constexpr std::array<std::uint8_t, 6> kKey{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};
    const std::size_t version = std::string("KOV450 emulated reader 1.0").size();
    // In the order of a card session, so that every call meets a card in the state it needs.
    return {
        {"MF_GetDeviceAddr", 0, 1,
         [&b](auto& api) {
             return api.MF_GetDeviceAddr(0, b.bytes.data());
         }},
        {"MF_GetDevice_Ver", 0, version,
         [&b](auto& api) {
             return api.MF_GetDevice_Ver(0, b.bytes.data());
         }},
        {"MF_GetDeviceSNR", 0, protocol::kSerialNumberSize,
         [&b](auto& api) {
             return api.MF_GetDeviceSNR(0, b.bytes.data());
         }},
        {"MF_ControlLED", 2, 0,
         [](auto& api) {
             return api.MF_ControlLED(0, 0, 0);
         }},
        {"MF_SetRF_ON", 1, 0,
         [](auto& api) {
             return api.MF_SetRF_ON(0);
         }},
        {"MF_Request", 1, 3,
         [&b](auto& api) {
             return api.MF_Request(0, 0, b.bytes.data());
         }},
        {"MF_Anticoll", 0, protocol::kUidSize,
         [&b](auto& api) {
             return api.MF_Anticoll(0, b.uid.data());
         }},
        {"MF_Select", protocol::kUidSize, 0,
         [&b](auto& api) {
             return api.MF_Select(0, b.uid.data());
         }},
        {"MF_LoadKey", protocol::kKeySize, 0,
         [](auto& api) {
             return api.MF_LoadKey(0, kKey.data());
         }},
        {"MF_Authentication", 2 + protocol::kUidSize, 0,
         [&b](auto& api) {
             return api.MF_Authentication(0, 0, 4, b.uid.data());
         }},
        {"MF_Read 1 block", 2, protocol::kBlockSize,
         [&b](auto& api) {
             return api.MF_Read(0, 4, 1, b.block.data());
         }},
        {"MF_Read 4 blocks", 2, 4 * protocol::kBlockSize,
         [&b](auto& api) {
             return api.MF_Read(0, 4, 4, b.bytes.data());
         }},
        {"MF_Write 1 block", 2 + protocol::kBlockSize, 0,
         [&b](auto& api) {
             return api.MF_Write(0, 4, 1, b.block.data());
         }},
    };
}

std::map<std::string, std::vector<double>> run(reader::MfApi& api, int rounds) {
    if (const std::int32_t status = api.MF_InitComm("COM1", static_cast<std::int32_t>(kLineSpeed));
        status != 0) {
        throw std::runtime_error("MF_InitComm gave " + std::to_string(status));
    }
    Buffers buffers;
    const auto list = calls(buffers);
    std::map<std::string, std::vector<double>> micros;
    for (int round = -1; round < rounds; ++round) { // round -1 warms up
        for (const Call& call : list) {
            const auto start = Clock::now();
            const std::int32_t status = call.run(api);
            const auto took = std::chrono::duration<double, std::micro>(Clock::now() - start);
            if (status != 0) {
                static_cast<void>(api.MF_ExitComm()); // closing cannot fail the measurement
                throw std::runtime_error(call.name + " gave " + std::to_string(status));
            }
            if (round >= 0) {
                micros[call.name].push_back(took.count());
            }
        }
    }
    static_cast<void>(api.MF_ExitComm()); // closing cannot fail the measurement
    return micros;
}

} // namespace

void measureLibraryCalls(reader::MfApi& api, Table& table) {
    Buffers sizes;
    const auto list = calls(sizes);
    {
        Emulator emulator(false);
        auto micros = run(api, kUnpacedRounds);
        for (const Call& call : list) {
            table.add({"unpaced", call.name, median(micros[call.name]), kUnpacedLimitUs, "us", true,
                       "median of " + std::to_string(kUnpacedRounds)});
        }
    }
    {
        Emulator emulator(true);
        auto micros = run(api, kPacedRounds);
        for (const Call& call : list) {
            const std::size_t bytes = protocol::kRequestOverhead + call.requestPayload +
                                      protocol::kAnswerOverhead + call.answerPayload;
            table.add({"paced 9600", call.name, median(micros[call.name]) / 1000.0, wireMs(bytes),
                       "ms", true,
                       "median of " + std::to_string(kPacedRounds) + "; limit: wire time of " +
                           std::to_string(bytes) + " bytes, within 5%",
                       kPacedTolerance});
        }
    }
}

} // namespace bench
