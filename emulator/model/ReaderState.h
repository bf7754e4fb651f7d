#pragma once

#include "emulator/model/MifareClassic.h"

#include <array>
#include <cstdint>
#include <string>

namespace kov450 {

/// Line speeds the reader can be set to, in bits per second.
inline constexpr std::array<std::uint32_t, 5> kReaderLineSpeeds{9600, 19200, 38400, 57600, 115200};

/// Factory contents of the key store slots and of the current key after power-up.
inline constexpr Key kFactoryKey{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

/// The reader's settings that outlive a run, as a real reader keeps them in EEPROM. The state
/// folder saves and restores these and nothing else (with the wallet of cards), and a reset
/// keeps them.
struct ReaderSettings {
    std::uint8_t address = 0;
    std::uint32_t lineSpeed = 9600;
    std::array<std::uint8_t, 8> serialNumber{'0', '0', '0', '0', '0', '0', '0', '1'};
    std::string version = "KOV450 emulated reader 1.0";
    std::array<std::array<Key, 16>, 2> keyStore = [] {
        std::array<std::array<Key, 16>, 2> store{};
        for (auto& keySlots : store) {
            keySlots.fill(kFactoryKey);
        }
        return store;
    }();
    std::uint8_t wiegandMode = 0;
    std::uint8_t wiegandFormat = 0;

    friend bool operator==(const ReaderSettings&, const ReaderSettings&) = default;
};

/// Everything the reader itself holds. Plain data, so that it can be shown, compared and saved.
struct ReaderState : ReaderSettings {
    // Not kept across runs. A reset brings back the current key, the LEDs and the field as at
    // power-up; the buzzer's record and the count of resets go on.
    Key currentKey = kFactoryKey;
    bool redLed = false;
    bool greenLed = false;
    bool rfOn = true;
    /// Duration of the last buzzer sound in units of 10 ms, and how many sounds so far.
    std::int16_t lastBuzzer = 0;
    std::uint32_t buzzerCount = 0;
    std::uint32_t resetCount = 0;

    friend bool operator==(const ReaderState&, const ReaderState&) = default;
};

} // namespace kov450
