// The exported C functions: argument checks and the copy into the caller's buffers around one
// typed call of the open reader's back end. Each writes exactly the bytes MF_API.h gives for it,
// and only on success (except MF_Request, which writes three zero bytes when it fails, so that
// pollers see no card).
#include "mf_api/LineSpeed.h"
#include "mf_api/Session.h"
#include "protocol/Codes.h"
#include "protocol/Command.h"
#include "protocol/Status.h"

#include <MF_API.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

using mfapi::Backend;
using mfapi::DeviceFunctions;
using mfapi::Result;
using mfapi::Session;

constexpr std::string_view kLibraryVersion = "MF_API 1.0 for KOV450 (Linux)";
static_assert(kLibraryVersion.size() <= protocol::kMaxVersionText);

std::optional<std::uint8_t> asByte(std::int32_t value) {
    if (value < 0 || value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

/// Runs `work` with each argument as a byte, or gives a bad argument when one does not fit.
template <typename Work>
[[nodiscard]] std::int32_t withBytes(std::initializer_list<std::int32_t> values, Work work) {
    std::array<std::uint8_t, 4> bytes{};
    std::size_t count = 0;
    for (const std::int32_t value : values) {
        const auto byte = asByte(value);
        if (!byte) {
            return MF_ERR_BAD_ARGUMENT;
        }
        bytes.at(count++) = *byte;
    }
    return Session::instance().run([&](Backend& backend) { return work(backend, bytes); });
}

/// As withBytes, on the open reader's own functions; 11 when its back end has none.
template <typename Work>
[[nodiscard]] std::int32_t withDeviceFunctions(std::initializer_list<std::int32_t> values,
                                               Work work) {
    return withBytes(values, [&](Backend& backend, const auto& bytes) {
        DeviceFunctions* functions = backend.deviceFunctions();
        if (functions == nullptr) {
            return std::int32_t{MF_ERR_UNKNOWN_COMMAND};
        }
        return work(*functions, bytes);
    });
}

template <std::size_t N> std::array<std::uint8_t, N> arrayFrom(const std::uint8_t* bytes) {
    std::array<std::uint8_t, N> out{};
    std::copy_n(bytes, N, out.begin());
    return out;
}

/// Copies a successful result's bytes into the caller's buffer.
template <typename Bytes>
[[nodiscard]] std::int32_t copyOut(const Result<Bytes>& result, std::uint8_t* out) {
    if (result.status == MF_OK) {
        std::copy(result.value.begin(), result.value.end(), out);
    }
    return result.status;
}

bool validBlockCount(std::int32_t count) {
    return count >= 1 && count <= static_cast<std::int32_t>(protocol::kMaxBlocksPerCall);
}

} // namespace

extern "C" {

MF_EXPORT int32_t MF_CALL MF_GetDLL_Ver(uint8_t* version) {
    if (version == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    std::memcpy(version, kLibraryVersion.data(), kLibraryVersion.size());
    version[kLibraryVersion.size()] = 0;
    return MF_OK;
}

MF_EXPORT int32_t MF_CALL MF_InitComm(const char* port, int32_t baud) {
    return Session::instance().open(port, baud);
}

MF_EXPORT int32_t MF_CALL MF_ExitComm(void) {
    return Session::instance().close();
}

MF_EXPORT int32_t MF_CALL MF_SetDeviceBaud(int32_t device, int32_t baud) {
    if (!asByte(device) || baud <= 0) {
        return MF_ERR_BAD_ARGUMENT;
    }
    // A speed this side cannot follow is refused before the reader moves to it.
    if (!mfapi::isLineSpeed(baud)) {
        return MF_ERR_BAD_SPEED;
    }
    return withDeviceFunctions({device}, [&](DeviceFunctions& functions, const auto& bytes) {
        return functions.setLineSpeed(bytes[0], static_cast<std::uint32_t>(baud));
    });
}

MF_EXPORT int32_t MF_CALL MF_GetDeviceAddr(int32_t device, uint8_t* address) {
    if (address == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device}, [&](Backend& backend, const auto& bytes) {
        const Result<std::uint8_t> result = backend.getAddress(bytes[0]);
        if (result.status == MF_OK) {
            *address = result.value;
        }
        return result.status;
    });
}

MF_EXPORT int32_t MF_CALL MF_SetDeviceAddr(int32_t device, int32_t address) {
    return withDeviceFunctions({device, address},
                               [](DeviceFunctions& functions, const auto& bytes) {
                                   return functions.setAddress(bytes[0], bytes[1]);
                               });
}

MF_EXPORT int32_t MF_CALL MF_GetDevice_Ver(int32_t device, uint8_t* version) {
    if (version == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device}, [&](Backend& backend, const auto& bytes) {
        const Result<std::string> result = backend.getVersion(bytes[0]);
        if (result.status == MF_OK) {
            std::copy(result.value.begin(), result.value.end(), version);
            version[result.value.size()] = 0;
        }
        return result.status;
    });
}

MF_EXPORT int32_t MF_CALL MF_GetDeviceSNR(int32_t device, uint8_t* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device}, [&](Backend& backend, const auto& bytes) {
        return copyOut(backend.getSerial(bytes[0]), serial);
    });
}

MF_EXPORT int32_t MF_CALL MF_SetDeviceSNR(int32_t device, const char* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    // Up to eight characters; a longer text is cut, and nothing past them is read.
    const std::size_t length = ::strnlen(serial, protocol::kSerialNumberSize);
    return withDeviceFunctions({device}, [&](DeviceFunctions& functions, const auto& bytes) {
        return functions.setSerial(bytes[0],
                                   {reinterpret_cast<const std::uint8_t*>(serial), length});
    });
}

MF_EXPORT int32_t MF_CALL MF_DeviceReset(int32_t device) {
    return withDeviceFunctions({device}, [](DeviceFunctions& functions, const auto& bytes) {
        return functions.reset(bytes[0]);
    });
}

MF_EXPORT int32_t MF_CALL MF_ControlBuzzer(int32_t device, const int16_t* duration) {
    if (duration == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withDeviceFunctions({device}, [&](DeviceFunctions& functions, const auto& bytes) {
        return functions.buzzer(bytes[0], *duration);
    });
}

MF_EXPORT int32_t MF_CALL MF_ControlLED(int32_t device, int32_t red, int32_t green) {
    return withDeviceFunctions({device, red, green},
                               [](DeviceFunctions& functions, const auto& bytes) {
                                   return functions.leds(bytes[0], bytes[1], bytes[2]);
                               });
}

MF_EXPORT int32_t MF_CALL MF_SetRF_ON(int32_t device) {
    return withDeviceFunctions({device}, [](DeviceFunctions& functions, const auto& bytes) {
        return functions.rfField(bytes[0], true);
    });
}

MF_EXPORT int32_t MF_CALL MF_SetRF_OFF(int32_t device) {
    return withDeviceFunctions({device}, [](DeviceFunctions& functions, const auto& bytes) {
        return functions.rfField(bytes[0], false);
    });
}

MF_EXPORT int32_t MF_CALL MF_SetWiegandMode(int32_t device, int32_t mode, int32_t format) {
    return withDeviceFunctions({device, mode, format},
                               [](DeviceFunctions& functions, const auto& bytes) {
                                   return functions.wiegand(bytes[0], bytes[1], bytes[2]);
                               });
}

MF_EXPORT int32_t MF_CALL MF_Request(int32_t device, int32_t mode, uint8_t* cardType) {
    if (cardType == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    const std::int32_t status = withBytes({device, mode}, [&](Backend& backend, const auto& bytes) {
        return copyOut(backend.request(bytes[0], static_cast<protocol::RequestMode>(bytes[1])),
                       cardType);
    });
    if (status != MF_OK) {
        // No card answered us: callers poll on byte 0 and must not see an old card type.
        std::fill_n(cardType, 3, std::uint8_t{0});
    }
    return status;
}

MF_EXPORT int32_t MF_CALL MF_Anticoll(int32_t device, uint8_t* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device}, [&](Backend& backend, const auto& bytes) {
        return copyOut(backend.anticollision(bytes[0]), serial);
    });
}

MF_EXPORT int32_t MF_CALL MF_Select(int32_t device, const uint8_t* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device}, [&](Backend& backend, const auto& bytes) {
        return backend.select(bytes[0], arrayFrom<protocol::kUidSize>(serial));
    });
}

MF_EXPORT int32_t MF_CALL MF_Halt(int32_t device) {
    return withBytes({device},
                     [](Backend& backend, const auto& bytes) { return backend.halt(bytes[0]); });
}

MF_EXPORT int32_t MF_CALL MF_LoadKey(int32_t device, const uint8_t* key) {
    if (key == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device}, [&](Backend& backend, const auto& bytes) {
        return backend.loadKey(bytes[0], arrayFrom<protocol::kKeySize>(key));
    });
}

MF_EXPORT int32_t MF_CALL MF_LoadKeyFromEE(int32_t device, int32_t keyType, int32_t slot) {
    return withBytes({device, keyType, slot}, [](Backend& backend, const auto& bytes) {
        return backend.loadStoredKey(bytes[0], static_cast<protocol::KeyType>(bytes[1]), bytes[2]);
    });
}

MF_EXPORT int32_t MF_CALL MF_StoreKeyToEE(int32_t device, int32_t keyType, int32_t slot,
                                          const uint8_t* key) {
    if (key == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device, keyType, slot}, [&](Backend& backend, const auto& bytes) {
        return backend.storeKey(bytes[0], static_cast<protocol::KeyType>(bytes[1]), bytes[2],
                                arrayFrom<protocol::kKeySize>(key));
    });
}

MF_EXPORT int32_t MF_CALL MF_Authentication(int32_t device, int32_t keyType, int32_t block,
                                            const uint8_t* serial) {
    if (serial == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device, keyType, block}, [&](Backend& backend, const auto& bytes) {
        return backend.authenticate(bytes[0], static_cast<protocol::KeyType>(bytes[1]), bytes[2],
                                    arrayFrom<protocol::kUidSize>(serial));
    });
}

MF_EXPORT int32_t MF_CALL MF_Read(int32_t device, int32_t block, int32_t count, uint8_t* data) {
    if (data == nullptr || !validBlockCount(count)) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device, block, count}, [&](Backend& backend, const auto& bytes) {
        return copyOut(backend.read(bytes[0], bytes[1], bytes[2]), data);
    });
}

MF_EXPORT int32_t MF_CALL MF_Write(int32_t device, int32_t block, int32_t count,
                                   const uint8_t* data) {
    if (data == nullptr || !validBlockCount(count)) {
        return MF_ERR_BAD_ARGUMENT;
    }
    const auto size = static_cast<std::size_t>(count) * protocol::kBlockSize;
    return withBytes({device, block, count}, [&](Backend& backend, const auto& bytes) {
        return backend.write(bytes[0], bytes[1], bytes[2], {data, size});
    });
}

MF_EXPORT int32_t MF_CALL MF_Value(int32_t device, int32_t operation, int32_t block,
                                   const int32_t* value) {
    if (value == nullptr) {
        return MF_ERR_BAD_ARGUMENT;
    }
    return withBytes({device, operation, block}, [&](Backend& backend, const auto& bytes) {
        return backend.value(bytes[0], static_cast<protocol::ValueOperation>(bytes[1]), bytes[2],
                             *value);
    });
}

MF_EXPORT int32_t MF_CALL MF_transfer(int32_t device, int32_t block) {
    return withBytes({device, block}, [](Backend& backend, const auto& bytes) {
        return backend.transfer(bytes[0], bytes[1]);
    });
}

} // extern "C"
