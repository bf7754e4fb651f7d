// A recording stand-in for MF_API: every call is recorded with its arguments and the buffer it
// was given, and answered from the script that the test set up through MfRecorder.h.

#include "MfRecorder.h"

#include <MF_API.h>

#include <algorithm>
#include <cstring>

namespace {

using mfdouble::Call;

std::vector<std::uint8_t> bytesAt(const void* buffer, std::size_t size) {
    if (buffer == nullptr) {
        return {};
    }
    const auto* first = static_cast<const std::uint8_t*>(buffer);
    return {first, first + size};
}

/// Records the call and answers it, writing at most `size` scripted bytes into `out`.
std::int32_t answer(Call call, std::uint8_t* out = nullptr, std::size_t size = 0) {
    const std::string function = call.function;
    mfdouble::record(std::move(call));
    const mfdouble::Answer scripted = mfdouble::answerFor(function);
    if (out != nullptr && !scripted.bytes.empty()) {
        std::memcpy(out, scripted.bytes.data(), std::min(size, scripted.bytes.size()));
    }
    return scripted.status;
}

std::size_t blockBytes(std::int32_t count) {
    return count >= 1 && count <= 4 ? static_cast<std::size_t>(count) * 16 : 0;
}

} // namespace

extern "C" {

MF_EXPORT std::int32_t MF_CALL MF_GetDLL_Ver(std::uint8_t* version) {
    return answer({"MF_GetDLL_Ver", {}, version, bytesAt(version, 33), {}}, version, 33);
}
MF_EXPORT std::int32_t MF_CALL MF_InitComm(const char* port, std::int32_t baud) {
    return answer({"MF_InitComm", {baud}, port, {}, port ? port : ""});
}
MF_EXPORT std::int32_t MF_CALL MF_ExitComm(void) {
    return answer({"MF_ExitComm", {}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_SetDeviceBaud(std::int32_t device, std::int32_t baud) {
    return answer({"MF_SetDeviceBaud", {device, baud}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_GetDeviceAddr(std::int32_t device, std::uint8_t* address) {
    return answer({"MF_GetDeviceAddr", {device}, address, bytesAt(address, 1), {}}, address, 1);
}
MF_EXPORT std::int32_t MF_CALL MF_SetDeviceAddr(std::int32_t device, std::int32_t address) {
    return answer({"MF_SetDeviceAddr", {device, address}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_GetDevice_Ver(std::int32_t device, std::uint8_t* version) {
    return answer({"MF_GetDevice_Ver", {device}, version, bytesAt(version, 33), {}}, version, 33);
}
MF_EXPORT std::int32_t MF_CALL MF_GetDeviceSNR(std::int32_t device, std::uint8_t* serial) {
    return answer({"MF_GetDeviceSNR", {device}, serial, bytesAt(serial, 8), {}}, serial, 8);
}
MF_EXPORT std::int32_t MF_CALL MF_SetDeviceSNR(std::int32_t device, const char* serial) {
    return answer({"MF_SetDeviceSNR", {device}, serial, {}, serial ? serial : ""});
}
MF_EXPORT std::int32_t MF_CALL MF_DeviceReset(std::int32_t device) {
    return answer({"MF_DeviceReset", {device}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_ControlBuzzer(std::int32_t device, const std::int16_t* time) {
    return answer({"MF_ControlBuzzer", {device, time ? *time : -99999}, time, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_ControlLED(std::int32_t device, std::int32_t red,
                                             std::int32_t green) {
    return answer({"MF_ControlLED", {device, red, green}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_SetRF_ON(std::int32_t device) {
    return answer({"MF_SetRF_ON", {device}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_SetRF_OFF(std::int32_t device) {
    return answer({"MF_SetRF_OFF", {device}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_SetWiegandMode(std::int32_t device, std::int32_t mode,
                                                 std::int32_t format) {
    return answer({"MF_SetWiegandMode", {device, mode, format}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_Request(std::int32_t device, std::int32_t mode,
                                          std::uint8_t* cardType) {
    return answer({"MF_Request", {device, mode}, cardType, bytesAt(cardType, 3), {}}, cardType, 3);
}
MF_EXPORT std::int32_t MF_CALL MF_Anticoll(std::int32_t device, std::uint8_t* serial) {
    return answer({"MF_Anticoll", {device}, serial, bytesAt(serial, 4), {}}, serial, 4);
}
MF_EXPORT std::int32_t MF_CALL MF_Select(std::int32_t device, const std::uint8_t* serial) {
    return answer({"MF_Select", {device}, serial, bytesAt(serial, 4), {}});
}
MF_EXPORT std::int32_t MF_CALL MF_Halt(std::int32_t device) {
    return answer({"MF_Halt", {device}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_LoadKey(std::int32_t device, const std::uint8_t* key) {
    return answer({"MF_LoadKey", {device}, key, bytesAt(key, 6), {}});
}
MF_EXPORT std::int32_t MF_CALL MF_LoadKeyFromEE(std::int32_t device, std::int32_t keyType,
                                                std::int32_t slot) {
    return answer({"MF_LoadKeyFromEE", {device, keyType, slot}, nullptr, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_StoreKeyToEE(std::int32_t device, std::int32_t keyType,
                                               std::int32_t slot, const std::uint8_t* key) {
    return answer({"MF_StoreKeyToEE", {device, keyType, slot}, key, bytesAt(key, 6), {}});
}
MF_EXPORT std::int32_t MF_CALL MF_Authentication(std::int32_t device, std::int32_t keyType,
                                                 std::int32_t block, const std::uint8_t* serial) {
    return answer({"MF_Authentication", {device, keyType, block}, serial, bytesAt(serial, 4), {}});
}
MF_EXPORT std::int32_t MF_CALL MF_Read(std::int32_t device, std::int32_t block, std::int32_t count,
                                       std::uint8_t* data) {
    const std::size_t size = blockBytes(count);
    return answer({"MF_Read", {device, block, count}, data, bytesAt(data, size), {}}, data, size);
}
MF_EXPORT std::int32_t MF_CALL MF_Write(std::int32_t device, std::int32_t block, std::int32_t count,
                                        const std::uint8_t* data) {
    return answer({"MF_Write", {device, block, count}, data, bytesAt(data, blockBytes(count)), {}});
}
MF_EXPORT std::int32_t MF_CALL MF_Value(std::int32_t device, std::int32_t operation,
                                        std::int32_t block, const std::int32_t* value) {
    return answer({"MF_Value", {device, operation, block, value ? *value : 0}, value, {}, {}});
}
MF_EXPORT std::int32_t MF_CALL MF_transfer(std::int32_t device, std::int32_t block) {
    return answer({"MF_transfer", {device, block}, nullptr, {}, {}});
}

} // extern "C"
